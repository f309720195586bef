// The plot control as the pointer controller sees it. A separate adapter because the controller's
// store-only setters differ from the control's automation setters (which repaint and mark modified).
#pragma once

#include "PointerController.h"

class CTreviumCtrl;

namespace trevium {

class ControlPointerHost final : public PointerHost {
public:
    explicit ControlPointerHost(CTreviumCtrl& control) : c_(control) {}

    QRect plotRect() const override;
    QRect waterfallRect() const override;
    qint32 npoints() const override;
    qint32 firstPoint() const override;
    qint32 lastPoint() const override;
    bool showCursor() const override;
    qint32 cursorPos() const override;
    void setCursorPos(qint32 channel) override;
    bool waterfallShowCursor() const override;
    qint32 waterfallRows() const override;
    qint32 waterfallCursorX() const override;
    qint32 waterfallCursorY() const override;
    void setWaterfallCursor(qint32 x, qint32 y) override;
    bool zoomVisible() const override;
    qint32 zoomFirst() const override;
    qint32 zoomLast() const override;
    void setZoomFirst(qint32 channel) override;
    void setZoomLast(qint32 channel) override;
    void repaintPlot() override;
    void setPointerShape(Qt::CursorShape shape) override;
    void setMouseCapture(bool captured) override;
    void fireGraphCursorMove(qint32 x, qint32 y, qint32 channel) override;
    void fireWaterfallCursorMove(qint32 x, qint32 y, qint32 channel, qint32 age) override;
    void fireZoomBoxChange(qint32 x, qint32 y, qint32 first, qint32 last) override;

private:
    CTreviumCtrl& c_;
};

} // namespace trevium
