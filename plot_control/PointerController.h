// Mouse, keyboard and wheel handling of the plot control, separate from the widget so it can be
// tested with a plain host object. The control implements PointerHost and forwards its events.
#pragma once

#include <QPoint>
#include <QRect>
#include <Qt>

namespace trevium {

class PointerHost {
public:
    virtual ~PointerHost() = default;
    // Geometry remembered by the last drawing.
    virtual QRect plotRect() const = 0;
    virtual QRect waterfallRect() const = 0;
    // Data window.
    virtual qint32 npoints() const = 0;
    virtual qint32 firstPoint() const = 0;
    virtual qint32 lastPoint() const = 0;
    // Graph cursor.
    virtual bool showCursor() const = 0;
    virtual qint32 cursorPos() const = 0;
    virtual void setCursorPos(qint32 channel) = 0; // stores only; the controller repaints
    // Waterfall cross-hair.
    virtual bool waterfallShowCursor() const = 0;
    virtual qint32 waterfallRows() const = 0; // the waterfall's row count (MaxSize), at least 1
    virtual qint32 waterfallCursorX() const = 0;
    virtual qint32 waterfallCursorY() const = 0;
    virtual void setWaterfallCursor(qint32 x, qint32 y) = 0;
    // Zoom box.
    virtual bool zoomVisible() const = 0;
    virtual qint32 zoomFirst() const = 0;
    virtual qint32 zoomLast() const = 0;
    virtual void setZoomFirst(qint32 channel) = 0;
    virtual void setZoomLast(qint32 channel) = 0;
    // Effects.
    virtual void repaintPlot() = 0;
    virtual void setPointerShape(Qt::CursorShape shape) = 0;
    virtual void setMouseCapture(bool captured) = 0;
    virtual void fireGraphCursorMove(qint32 x, qint32 y, qint32 channel) = 0;
    virtual void fireWaterfallCursorMove(qint32 x, qint32 y, qint32 channel, qint32 age) = 0;
    virtual void fireZoomBoxChange(qint32 x, qint32 y, qint32 first, qint32 last) = 0;
};

enum class DragMode {
    None = 0,
    Cursor = 1,
    WaterfallCursor = 2,
    ZoomMove = 3,
    ZoomFirstEdge = 4,
    ZoomLastEdge = 5
};

class PointerController {
public:
    explicit PointerController(PointerHost& host) : host_(host) {}

    // Left button only; the widget fires the stock events itself after these return.
    void leftButtonDown(QPoint pos);
    void mouseMove(QPoint pos);
    void leftButtonUp(QPoint pos);
    // Returns true when the key was one the control acts on (left/right arrow).
    bool keyDown(int qtKey);
    // Returns true when handled (non-zero delta).
    bool wheel(QPoint pos, int delta);

    DragMode dragMode() const { return mode_; }
    // Zoom-box zone under x: 0 none, 1 inside, 2 first edge, 3 last edge (sets the pointer shape).
    int hitTest(int x);
    // The channel under x in the plot (or, with `waterfall`, the waterfall) rectangle.
    qint32 channelAt(int x, bool waterfall = false) const;

private:
    void moveWaterfallCursor(QPoint pos);
    bool stepCursor(int direction, QPoint eventPos, bool fromKey);

    PointerHost& host_;
    DragMode mode_ = DragMode::None;
    qint32 dragOffset_ = 0;
};

} // namespace trevium
