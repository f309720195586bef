#include "OwnedObjects.h"

#include <algorithm>

namespace trevium {

std::span<const DispEntry> Calibration::dispatchTable() const {
    static const DispEntry table[] = {{1, "Enable"}, {2, "Offset"}, {3, "Slope"}, {4, "Quadratic"}};
    return table;
}

void ControlBoundObject::repaintControl() const {
    if (QWidget* c = control())
        c->update();
}

// Waterfall

template <typename T> void Waterfall::change(T Waterfall::*field, T value) {
    T& stored = d().*field;
    if (stored == value)
        return;
    stored = value;
    repaintControl();
}

void Waterfall::setMaxSize(qint32 size) {
    Waterfall& w = d();
    size = std::clamp(size, 0, kMaxCapacity);
    if (size == w.maxSize_)
        return;
    w.maxSize_ = size;
    if (w.lines_.size() > static_cast<size_t>(size))
        w.lines_.erase(w.lines_.begin() + size, w.lines_.end()); // the oldest lines stay
    repaintControl();
}

void Waterfall::setLoColor(quint32 c) {
    change(&Waterfall::loColor_, c);
}
void Waterfall::setHiColor(quint32 c) {
    change(&Waterfall::hiColor_, c);
}
void Waterfall::setHeightRatio(qint32 ratio) {
    change(&Waterfall::heightRatio_, std::clamp(ratio, 0, 100));
}
void Waterfall::setCursorColor(quint32 c) {
    change(&Waterfall::cursorColor_, c);
}
void Waterfall::setShowCursor(bool on) {
    change(&Waterfall::showCursor_, on);
}
void Waterfall::setCursorX(qint32 x) {
    change(&Waterfall::cursorX_, x);
}
void Waterfall::setCursorY(qint32 y) {
    change(&Waterfall::cursorY_, y);
}

void Waterfall::append(const qint32* values, qint32 count) {
    Waterfall& w = d();
    if (w.maxSize_ <= 0 || !values || count < 0)
        return;
    if (w.lines_.size() >= static_cast<size_t>(w.maxSize_))
        w.lines_.erase(w.lines_.begin());
    WaterfallLine line;
    line.values.assign(values, values + count);
    line.max = count > 0 ? *std::max_element(values, values + count) : 0;
    w.lines_.push_back(std::move(line));
}

std::span<const DispEntry> Waterfall::dispatchTable() const {
    static const DispEntry table[] = {
        {1, "MaxSize"},     {2, "LoColor"},    {3, "HiColor"}, {4, "HeightRatio"},
        {5, "CursorColor"}, {6, "ShowCursor"}, {7, "CursorX"}, {8, "CursorY"},
    };
    return table;
}

// Zoom box

void ZoomBox::setColor(quint32 c) {
    d().color_ = c;
    repaintControl();
}

void ZoomBox::setVisible(bool on) {
    d().visible_ = on;
    repaintControl();
}

void ZoomBox::setFirstChannel(qint32 channel) {
    d().firstChannel_ = channel;
    repaintControl();
}

void ZoomBox::setLastChannel(qint32 channel) {
    d().lastChannel_ = channel;
    repaintControl();
}

std::span<const DispEntry> ZoomBox::dispatchTable() const {
    static const DispEntry table[] = {{1, "Color"}, {2, "Visible"}, {3, "FirstChannel"}, {4, "LastChannel"}};
    return table;
}

} // namespace trevium
