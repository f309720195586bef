// CTreviumCtrl: painting, image export and pointer input.
#include "CTreviumCtrl.h"

#include "ControlPointerHost.h"
#include "PainterHandles.h"
#include "PlotImageCache.h"
#include "PngExport.h"
#include "PointerController.h"
#include "Renderer.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <qdrawutil.h>

using namespace trevium;

namespace {

// Classic stock-event codes.
qint16 buttonCode(Qt::MouseButtons buttons) {
    qint16 code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

qint16 shiftCode(Qt::KeyboardModifiers modifiers) {
    qint16 code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

QRect CTreviumCtrl::clientRect() const {
    return contentsRect();
}

PlotView CTreviumCtrl::plotView() const {
    PlotView v;
    const PersistedProperties& p = props_;
    v.backColor = p.backColor;
    v.graphColor = p.graphColor;
    v.gridColor = p.gridColor;
    v.axisColor = p.axisColor;
    v.labelColor = p.labelColor;
    v.referenceColor = p.referenceColor;
    v.alarmColor = p.alarmColor;
    v.cursorColor = p.cursorColor;
    v.yscale = p.yScale;
    v.ymode = ymode_;
    v.graphStyle = graphStyle_;
    v.cursorType = p.cursorType;
    v.alarmLevel = p.alarmLevel;
    v.cursorPos = cursorPos_;
    v.plotFilled = p.plotFilled;
    v.showGrid = p.showGrid;
    v.showAxes = p.showAxes;
    v.showFrame = p.showFrame;
    v.showTicks = p.showTicks;
    v.showAlarm = p.showAlarm;
    v.showLabels = p.showLabels;
    v.showROIs = p.showROIs;
    v.showWaterfall = p.showWaterfall;
    v.showCursor = p.showCursor;
    v.gridOnTop = p.gridOnTop;
    v.compareMode = p.compareMode;
    v.fastDraw = p.fastDraw;
    v.xLabel = p.xLabel;
    v.yLabel = p.yLabel;

    v.npoints = model_.npoints();
    v.firstPoint = model_.firstPoint();
    v.lastPoint = model_.lastPoint();
    v.data = model_.data();
    v.reference = model_.reference();
    v.bufferLength = model_.bufferLength();

    v.calEnable = calibration_->enable();
    v.calOffset = calibration_->offset();
    v.calSlope = calibration_->slope();
    v.calQuadratic = calibration_->quadratic();

    const Waterfall& w = *waterfall_;
    v.wfMaxSize = w.maxSize();
    v.wfLoColor = w.loColor();
    v.wfHiColor = w.hiColor();
    v.wfHeightRatio = w.heightRatio();
    v.wfCursorColor = w.cursorColor();
    v.wfShowCursor = w.showCursor();
    v.wfCursorX = w.cursorX();
    v.wfCursorY = w.cursorY();
    for (const WaterfallLine& line : w.lines())
        v.wfLines.append({line.values.data(), static_cast<qint32>(line.values.size()), line.max});

    v.zoomVisible = zoomBox_->visible();
    v.zoomColor = zoomBox_->color();
    v.zoomFirst = zoomBox_->firstChannel();
    v.zoomLast = zoomBox_->lastChannel();

    for (const auto& item : roi_->items())
        v.rois.append(
            {item->firstChannel(), item->lastChannel(), item->color(), item->visible(), item->label()});
    return v;
}

void CTreviumCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = clientRect();
    if (client != rect()) {
        // The border's margin, under the border itself.
        const QColor back = oleColor(props_.backColor);
        const QRect r = rect();
        painter.fillRect(QRect(r.left(), r.top(), r.width(), client.top() - r.top()), back);
        painter.fillRect(QRect(QPoint(r.left(), client.bottom() + 1), r.bottomRight()), back);
        painter.fillRect(QRect(QPoint(r.left(), client.top()), QPoint(client.left() - 1, client.bottom())), back);
        painter.fillRect(QRect(QPoint(client.right() + 1, client.top()), QPoint(r.right(), client.bottom())), back);
    }
    if (!client.isEmpty()) {
        // Drawn off-screen at the screen's own pixel density, then shown in one blit, so the plot never
        // flickers and is as sharp as the text around it. The picture is kept for the next paint.
        RenderResult result;
        const QImage& image = picture_->render(plotView(), client.size(), devicePixelRatio(), &result);
        painter.drawImage(client.topLeft(), image);
        plotRect_ = result.plotRect.translated(client.topLeft());
        waterfallRect_ = result.waterfallRect.isEmpty() ? QRect() : result.waterfallRect.translated(client.topLeft());
    }
    if (props_.borderStyle) {
        if (props_.appearance)
            qDrawShadePanel(&painter, rect(), palette(), true, 2);
        else
            qDrawPlainRect(&painter, rect(), Qt::black, 1);
    }
}

void CTreviumCtrl::DrawTo(qint32 dstHDC, qint32 dstX, qint32 dstY, qint32 dstW, qint32 dstH) {
    if (QPainter* painter = painterForHandle(dstHDC))
        trevium::render(*painter, QRect(dstX, dstY, dstW, dstH), plotView());
}

qint32 CTreviumCtrl::SaveToPNG(const QString& filename, qint32 width, qint32 height) {
    return savePlotPng(plotView(), filename.toUtf8(), width, height);
}

void CTreviumCtrl::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        pointer_->leftButtonDown(pos);
    clickPending_ = true;
    // The stock event comes after the controller, so handlers see the new CursorPos.
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), pos.x(), pos.y());
}

void CTreviumCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    pointer_->mouseMove(pos);
    emit MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), pos.x(), pos.y());
}

void CTreviumCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        pointer_->leftButtonUp(pos);
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), pos.x(), pos.y());
    if (std::exchange(clickPending_, false) && rect().contains(pos))
        emit Click();
}

void CTreviumCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), pos.x(), pos.y());
    emit DblClick();
}

void CTreviumCtrl::keyPressEvent(QKeyEvent* event) {
    if (pointer_->keyDown(event->key()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void CTreviumCtrl::wheelEvent(QWheelEvent* event) {
    if (pointer_->wheel(event->position().toPoint(), event->angleDelta().y()))
        event->accept();
    else
        event->ignore();
}

// The control as the pointer controller's host

namespace trevium {

QRect ControlPointerHost::plotRect() const {
    return c_.plotRect_;
}
QRect ControlPointerHost::waterfallRect() const {
    return c_.waterfallRect_;
}
qint32 ControlPointerHost::npoints() const {
    return c_.model_.npoints();
}
qint32 ControlPointerHost::firstPoint() const {
    return c_.model_.firstPoint();
}
qint32 ControlPointerHost::lastPoint() const {
    return c_.model_.lastPoint();
}
bool ControlPointerHost::showCursor() const {
    return c_.props_.showCursor;
}
qint32 ControlPointerHost::cursorPos() const {
    return c_.cursorPos_;
}
void ControlPointerHost::setCursorPos(qint32 channel) {
    c_.cursorPos_ = channel;
}
bool ControlPointerHost::waterfallShowCursor() const {
    return c_.waterfall_->showCursor();
}
qint32 ControlPointerHost::waterfallRows() const {
    return std::max(c_.waterfall_->maxSize(), 1);
}
qint32 ControlPointerHost::waterfallCursorX() const {
    return c_.waterfall_->cursorX();
}
qint32 ControlPointerHost::waterfallCursorY() const {
    return c_.waterfall_->cursorY();
}

void ControlPointerHost::setWaterfallCursor(qint32 x, qint32 y) {
    c_.waterfall_->setCursorX(x);
    c_.waterfall_->setCursorY(y);
}

bool ControlPointerHost::zoomVisible() const {
    return c_.zoomBox_->visible();
}
qint32 ControlPointerHost::zoomFirst() const {
    return c_.zoomBox_->firstChannel();
}
qint32 ControlPointerHost::zoomLast() const {
    return c_.zoomBox_->lastChannel();
}
void ControlPointerHost::setZoomFirst(qint32 channel) {
    c_.zoomBox_->setFirstChannel(channel);
}
void ControlPointerHost::setZoomLast(qint32 channel) {
    c_.zoomBox_->setLastChannel(channel);
}
void ControlPointerHost::repaintPlot() {
    c_.update();
}
void ControlPointerHost::setPointerShape(Qt::CursorShape shape) {
    c_.setCursor(shape);
}

// Qt already delivers every move and the release to the widget that took the press (implicit grab),
// which is what capturing the mouse achieves; an explicit grab would only add a way to get stuck.
void ControlPointerHost::setMouseCapture(bool) {}

void ControlPointerHost::fireGraphCursorMove(qint32 x, qint32 y, qint32 channel) {
    emit c_.GraphCursorMove(x, y, channel);
}

void ControlPointerHost::fireWaterfallCursorMove(qint32 x, qint32 y, qint32 channel, qint32 age) {
    emit c_.WaterfallCursorMove(x, y, channel, age);
}

void ControlPointerHost::fireZoomBoxChange(qint32 x, qint32 y, qint32 first, qint32 last) {
    emit c_.ZoomBoxChange(x, y, first, last);
}

} // namespace trevium
