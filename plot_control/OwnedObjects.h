// The three objects a plot control owns besides its ROI collection: the calibration (ICalibration),
// the waterfall history (IWaterfall) and the zoom box (IZoomBox). The waterfall and the zoom box
// repaint their control through a weak back-reference; once the control is gone a put only stores.
#pragma once

#include "Dispatch.h"

#include <QPointer>
#include <QWidget>

#include <vector>

namespace trevium {

// ICalibration: converts channel numbers into the axis quantity. Puts store only.
class TREVIUM_EXPORT Calibration : public AutomationObject, public Dispatchable {
    Q_OBJECT
    Q_PROPERTY(bool Enable READ enable WRITE setEnable)
    Q_PROPERTY(float Offset READ offset WRITE setOffset)
    Q_PROPERTY(float Slope READ slope WRITE setSlope)
    Q_PROPERTY(float Quadratic READ quadratic WRITE setQuadratic)
public:
    Q_INVOKABLE Calibration() = default;

    bool enable() const { return d().enable_; }
    void setEnable(bool on) { d().enable_ = on; }
    float offset() const { return d().offset_; }
    void setOffset(float v) { d().offset_ = v; }
    float slope() const { return d().slope_; }
    void setSlope(float v) { d().slope_ = v; }
    float quadratic() const { return d().quadratic_; }
    void setQuadratic(float v) { d().quadratic_ = v; }

    // E(ch) = Offset + Slope * ch + Quadratic * ch^2 (whether or not Enable is set).
    Q_INVOKABLE double value(double channel) const {
        return channel * (channel * double(quadratic()) + double(slope())) + double(offset());
    }

    std::span<const DispEntry> dispatchTable() const override;
    QString interfaceName() const override { return QStringLiteral("ICalibration"); }

private:
    Calibration& d() { return self<Calibration>(); }
    const Calibration& d() const { return self<Calibration>(); }

    bool enable_ = false;
    float offset_ = 0.0f;
    float slope_ = 1.0f;
    float quadratic_ = 0.0f;
};

// Base of the objects that repaint their control on a put.
class TREVIUM_EXPORT ControlBoundObject : public AutomationObject {
    Q_OBJECT
public:
    // The control, or null once it is gone (the back-reference is weak).
    void setControl(QWidget* control) { self<ControlBoundObject>().control_ = control; }
    QWidget* control() const { return self<ControlBoundObject>().control_; }

protected:
    // Invalidates the control if it still exists.
    void repaintControl() const;

private:
    QPointer<QWidget> control_;
};

struct WaterfallLine {
    std::vector<qint32> values;
    qint32 max = 0;
};

// IWaterfall: a history of data lines, oldest first, drawn as an image below the graph.
class TREVIUM_EXPORT Waterfall : public ControlBoundObject, public Dispatchable {
    Q_OBJECT
    Q_PROPERTY(qint32 MaxSize READ maxSize WRITE setMaxSize)
    Q_PROPERTY(quint32 LoColor READ loColor WRITE setLoColor)
    Q_PROPERTY(quint32 HiColor READ hiColor WRITE setHiColor)
    Q_PROPERTY(qint32 HeightRatio READ heightRatio WRITE setHeightRatio)
    Q_PROPERTY(quint32 CursorColor READ cursorColor WRITE setCursorColor)
    Q_PROPERTY(bool ShowCursor READ showCursor WRITE setShowCursor)
    Q_PROPERTY(qint32 CursorX READ cursorX WRITE setCursorX)
    Q_PROPERTY(qint32 CursorY READ cursorY WRITE setCursorY)
public:
    // The capacity is also the image's row count; it is kept to what a history can hold in memory.
    static constexpr qint32 kMaxCapacity = 32767;

    Q_INVOKABLE Waterfall() = default;

    qint32 maxSize() const { return d().maxSize_; }
    // Clamped to 0..kMaxCapacity; on a change keeps the oldest lines that fit, then repaints.
    void setMaxSize(qint32 size);
    quint32 loColor() const { return d().loColor_; }
    void setLoColor(quint32 c);
    quint32 hiColor() const { return d().hiColor_; }
    void setHiColor(quint32 c);
    qint32 heightRatio() const { return d().heightRatio_; }
    // Clamped to 0..100 (percent of the plot area).
    void setHeightRatio(qint32 ratio);
    quint32 cursorColor() const { return d().cursorColor_; }
    void setCursorColor(quint32 c);
    bool showCursor() const { return d().showCursor_; }
    void setShowCursor(bool on);
    qint32 cursorX() const { return d().cursorX_; }
    void setCursorX(qint32 x);
    qint32 cursorY() const { return d().cursorY_; }
    void setCursorY(qint32 y);

    // Used by the control: append a copy of `count` values as the newest line (the oldest line makes
    // room when full; nothing with capacity 0), and drop the whole history.
    void append(const qint32* values, qint32 count);
    void clear() { d().lines_.clear(); }
    const std::vector<WaterfallLine>& lines() const { return d().lines_; }

    std::span<const DispEntry> dispatchTable() const override;
    QString interfaceName() const override { return QStringLiteral("IWaterfall"); }

private:
    Waterfall& d() { return self<Waterfall>(); }
    const Waterfall& d() const { return self<Waterfall>(); }
    template <typename T> void change(T Waterfall::*field, T value);

    std::vector<WaterfallLine> lines_;
    qint32 maxSize_ = 100;
    quint32 loColor_ = 0x000000;
    quint32 hiColor_ = 0xFFFFFF;
    qint32 heightRatio_ = 30;
    quint32 cursorColor_ = 0xC0C0C0;
    bool showCursor_ = false;
    qint32 cursorX_ = 0;
    qint32 cursorY_ = 0;
};

// IZoomBox: a channel range the user can drag. Every put stores and repaints, changed or not.
class TREVIUM_EXPORT ZoomBox : public ControlBoundObject, public Dispatchable {
    Q_OBJECT
    Q_PROPERTY(quint32 Color READ color WRITE setColor)
    Q_PROPERTY(bool Visible READ visible WRITE setVisible)
    Q_PROPERTY(qint32 FirstChannel READ firstChannel WRITE setFirstChannel)
    Q_PROPERTY(qint32 LastChannel READ lastChannel WRITE setLastChannel)
public:
    Q_INVOKABLE ZoomBox() = default;

    quint32 color() const { return d().color_; }
    void setColor(quint32 c);
    bool visible() const { return d().visible_; }
    void setVisible(bool on);
    qint32 firstChannel() const { return d().firstChannel_; }
    void setFirstChannel(qint32 channel);
    qint32 lastChannel() const { return d().lastChannel_; }
    void setLastChannel(qint32 channel);

    std::span<const DispEntry> dispatchTable() const override;
    QString interfaceName() const override { return QStringLiteral("IZoomBox"); }

private:
    ZoomBox& d() { return self<ZoomBox>(); }
    const ZoomBox& d() const { return self<ZoomBox>(); }

    quint32 color_ = 0x000000;
    bool visible_ = false;
    qint32 firstChannel_ = 0;
    qint32 lastChannel_ = 1;
};

} // namespace trevium
