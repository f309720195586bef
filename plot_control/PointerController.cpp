// Left-button drags of the graph cursor, the waterfall cross-hair and the zoom box; arrow keys and the
// wheel step the graph cursor. Geometry comes from the rectangles of the last drawing.
#include "PointerController.h"

namespace trevium {

namespace {

qint32 clampChannel(qint64 ch, qint32 first, qint32 last) {
    if (ch < first)
        return first;
    return qint32(qMin<qint64>(ch, last));
}

} // namespace

qint32 PointerController::channelAt(int x, bool waterfall) const {
    const QRect r = waterfall ? host_.waterfallRect() : host_.plotRect();
    const qint64 width = r.width() == 0 ? 1 : r.width();
    const qint32 first = host_.firstPoint();
    const qint32 last = host_.lastPoint();
    const qint64 ch = first + (qint64(x) - r.left()) * (qint64(last) - first) / width;
    return clampChannel(ch, first, last);
}

int PointerController::hitTest(int x) {
    int zone = 0;
    if (host_.zoomVisible()) {
        const qint64 lo = qMin(host_.zoomFirst(), host_.zoomLast());
        const qint64 hi = qMax(host_.zoomFirst(), host_.zoomLast());
        qint64 d = qint64(host_.lastPoint()) - host_.firstPoint();
        if (d == 0)
            d = 1;
        const QRect r = host_.plotRect();
        const qint64 w = r.width() == 0 ? 1 : r.width();
        // Channel numbers count from the plot's left edge, as the zoom box is drawn.
        const qint64 xl = r.left() + w * lo / d;
        const qint64 xr = r.left() + w * hi / d;
        if (x >= xl - 3 && x < xl + 3)
            zone = 2;
        else if (x >= xr - 3 && x < xr + 3)
            zone = 3;
        else if (x >= xl && x < xr)
            zone = 1;
    }
    host_.setPointerShape(zone == 1 ? Qt::SizeAllCursor : zone == 0 ? Qt::ArrowCursor : Qt::SizeHorCursor);
    return zone;
}

void PointerController::leftButtonDown(QPoint pos) {
    const int zone = hitTest(pos.x());
    if (zone == 1) {
        host_.setMouseCapture(true);
        mode_ = DragMode::ZoomMove;
        dragOffset_ = channelAt(pos.x()) - host_.zoomFirst();
    } else if (zone == 2 || zone == 3) {
        host_.setMouseCapture(true);
        mode_ = zone == 2 ? DragMode::ZoomFirstEdge : DragMode::ZoomLastEdge;
    } else if (host_.showCursor() && host_.plotRect().contains(pos)) {
        host_.setMouseCapture(true);
        mode_ = DragMode::Cursor;
        const qint32 ch = channelAt(pos.x());
        if (ch != host_.cursorPos()) {
            host_.setCursorPos(ch);
            host_.fireGraphCursorMove(pos.x(), pos.y(), ch);
            host_.repaintPlot();
        }
    } else if (host_.waterfallShowCursor() && host_.waterfallRect().contains(pos)) {
        host_.setMouseCapture(true);
        mode_ = DragMode::WaterfallCursor;
        moveWaterfallCursor(pos);
    }
}

void PointerController::moveWaterfallCursor(QPoint pos) {
    const QRect r = host_.waterfallRect();
    const qint32 ch = channelAt(pos.x(), true);
    const qint64 rows = qMax(host_.waterfallRows(), 1);
    const qint64 height = r.height() == 0 ? 1 : r.height();
    const qint32 row = qint32(qBound<qint64>(0, rows * (qint64(pos.y()) - r.top()) / height, rows - 1));
    if (ch != host_.waterfallCursorX() || row != host_.waterfallCursorY()) {
        host_.setWaterfallCursor(ch, row);
        host_.fireWaterfallCursorMove(pos.x(), pos.y(), ch, row);
    }
    host_.repaintPlot();
}

void PointerController::mouseMove(QPoint pos) {
    const int x = pos.x();
    const int y = pos.y();
    switch (mode_) {
    case DragMode::None:
        hitTest(x);
        return;
    case DragMode::Cursor: {
        const qint32 ch = channelAt(x);
        if (ch != host_.cursorPos()) {
            host_.setCursorPos(ch);
            host_.fireGraphCursorMove(x, y, ch);
        }
        break;
    }
    case DragMode::WaterfallCursor:
        moveWaterfallCursor(pos);
        return;
    case DragMode::ZoomMove: {
        const qint64 f = host_.zoomFirst();
        const qint64 l = host_.zoomLast();
        qint64 nf = qMax<qint64>(0, qint64(channelAt(x)) - dragOffset_);
        qint64 nl = l + nf - f;
        if (nl >= host_.npoints()) {
            nl = qint64(host_.npoints()) - 1;
            nf = nl + f - l;
        }
        if (nf != f) {
            host_.setZoomFirst(qint32(nf));
            host_.setZoomLast(qint32(nl));
            host_.fireZoomBoxChange(x, y, qint32(nf), qint32(nl));
        }
        break;
    }
    case DragMode::ZoomFirstEdge: {
        const qint32 l = host_.zoomLast();
        const qint32 e = qint32(qMax<qint64>(qMin<qint64>(channelAt(x), qint64(l) - 3), 0));
        if (e != host_.zoomFirst()) {
            host_.setZoomFirst(e);
            host_.fireZoomBoxChange(x, y, e, l);
        }
        break;
    }
    case DragMode::ZoomLastEdge: {
        const qint32 f = host_.zoomFirst();
        const qint32 e =
            qint32(qMin<qint64>(qMax<qint64>(channelAt(x), qint64(f) + 3), qint64(host_.npoints()) - 1));
        if (e != host_.zoomLast()) {
            host_.setZoomLast(e);
            host_.fireZoomBoxChange(x, y, f, e);
        }
        break;
    }
    }
    host_.repaintPlot();
}

void PointerController::leftButtonUp(QPoint) {
    if (mode_ == DragMode::None)
        return;
    host_.setMouseCapture(false);
    mode_ = DragMode::None;
}

bool PointerController::stepCursor(int direction, QPoint eventPos, bool fromKey) {
    const qint32 first = host_.firstPoint();
    const qint32 last = host_.lastPoint();
    const qint32 old = host_.cursorPos();
    const qint32 ch = clampChannel(qMax<qint64>(qint64(old) + direction, first), first, last);
    if (ch != old) {
        host_.setCursorPos(ch);
        if (fromKey) {
            // The key event has no pointer: x from the channel number (counted from the plot's left
            // edge), y 0.
            qint64 d = qint64(last) - first;
            if (d == 0)
                d = 1;
            const QRect r = host_.plotRect();
            const qint64 w = r.width() == 0 ? 1 : r.width();
            host_.fireGraphCursorMove(int(r.left() + ch * w / d), 0, ch);
        } else {
            host_.fireGraphCursorMove(eventPos.x(), eventPos.y(), ch);
        }
    }
    host_.repaintPlot();
    return true;
}

bool PointerController::keyDown(int qtKey) {
    if (qtKey == Qt::Key_Left)
        return stepCursor(-1, QPoint(), true);
    if (qtKey == Qt::Key_Right)
        return stepCursor(1, QPoint(), true);
    return false;
}

bool PointerController::wheel(QPoint pos, int delta) {
    if (delta == 0)
        return false;
    return stepCursor(delta > 0 ? 1 : -1, pos, false);
}

} // namespace trevium
