#include "GraphCanvas.h"

#include <QImage>
#include <QPainter>
#include <cmath>

namespace trevium {

namespace {

bool isOpaque32(QImage::Format f) {
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

GraphCanvas::GraphCanvas(QPainter& painter) : painter_(painter) {
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return;
    auto* image = static_cast<QImage*>(device);
    const QTransform t = painter.deviceTransform();
    // Writing the bits directly is only the same as QPainter::fillRect when nothing transforms,
    // clips or blends, and the image's buffer is not shared with a copy.
    if (!isOpaque32(image->format()) || t.type() > QTransform::TxTranslate || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1.0 ||
        !image->isDetached() || image->devicePixelRatio() != 1.0)
        return;
    if (t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return;
    dx_ = int(t.dx());
    dy_ = int(t.dy());
    width_ = image->width();
    height_ = image->height();
    bytesPerLine_ = image->bytesPerLine();
    bits_ = image->bits();
}

GraphCanvas::~GraphCanvas() {
    flush();
}

void GraphCanvas::span(int x, int y0, int y1, QRgb color) {
    if (y1 < y0)
        qSwap(y0, y1);
    if (pending_ > 0 && x != column_)
        flush();
    column_ = x;
    // Spans wholly covered by the new one would be painted over: drop them.
    int kept = 0;
    for (int i = 0; i < pending_; ++i) {
        if (spans_[i].y0 >= y0 && spans_[i].y1 <= y1)
            continue;
        spans_[kept++] = spans_[i];
    }
    pending_ = kept;
    if (pending_ > 0) {
        Span& last = spans_[pending_ - 1];
        if (last.color == color && y0 <= last.y1 + 1 && y1 >= last.y0 - 1) {
            last.y0 = qMin(last.y0, y0);
            last.y1 = qMax(last.y1, y1);
            return;
        }
    }
    if (pending_ == MaxPending) {
        flush();
        column_ = x;
    }
    spans_[pending_++] = Span{y0, y1, color};
}

void GraphCanvas::line(int x0, int y0, int x1, int y1, QRgb color) {
    forEachLineColumn(x0, y0, x1, y1, [&](int x, int ya, int yb) { span(x, ya, yb, color); });
}

void GraphCanvas::flush() {
    for (int i = 0; i < pending_; ++i)
        paint(column_, spans_[i].y0, spans_[i].y1, spans_[i].color);
    pending_ = 0;
}

void GraphCanvas::paint(int x, int y0, int y1, QRgb color) {
    if (!bits_) {
        painter_.fillRect(QRect(x, y0, 1, y1 - y0 + 1), QColor::fromRgb(color));
        return;
    }
    x += dx_;
    y0 += dy_;
    y1 += dy_;
    if (x < 0 || x >= width_)
        return;
    y0 = qMax(y0, 0);
    y1 = qMin(y1, height_ - 1);
    uchar* p = bits_ + qsizetype(y0) * bytesPerLine_ + qsizetype(x) * 4;
    const QRgb c = color | 0xFF000000u;
    for (int y = y0; y <= y1; ++y, p += bytesPerLine_)
        *reinterpret_cast<QRgb*>(p) = c;
}

} // namespace trevium
