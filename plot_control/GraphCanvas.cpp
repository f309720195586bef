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

GraphCanvas::GraphCanvas(QPainter& painter, qreal scale) : painter_(&painter), scale_(scale) {
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return;
    auto* image = static_cast<QImage*>(device);
    const QTransform t = painter.deviceTransform();
    // Writing the bits directly is only the same as QPainter::fillRect when nothing but the device
    // pixel ratio scales, nothing rotates, clips or blends, and the image's buffer is not shared.
    const bool scaledOnly = t.type() <= QTransform::TxScale && qFuzzyCompare(t.m11(), scale) &&
                            qFuzzyCompare(t.m22(), scale) && qFuzzyCompare(image->devicePixelRatio(), scale);
    if (!isOpaque32(image->format()) || !scaledOnly || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1.0 ||
        !image->isDetached())
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

GraphCanvas::GraphCanvas(std::vector<Span>& recorder) : recorder_(&recorder) {}

GraphCanvas::~GraphCanvas() {
    flush();
}

// Through the painter: device pixels are 1 / scale logical units; the raster engine rounds the mapped
// rectangle's edges, so a device rectangle lands exactly on its pixels.
void GraphCanvas::fillDevice(int x, int y, int w, int h, QRgb color) {
    if (scale_ == 1.0) {
        painter_->fillRect(QRect(x, y, w, h), QColor::fromRgb(color));
        return;
    }
    painter_->fillRect(QRectF(x / scale_, y / scale_, w / scale_, h / scale_), QColor::fromRgb(color));
}

void GraphCanvas::addSpan(int x, int y0, int y1, QRgb color) {
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
        Pending& last = spans_[pending_ - 1];
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
    spans_[pending_++] = Pending{y0, y1, color};
}

void GraphCanvas::flush() {
    for (int i = 0; i < pending_; ++i)
        paint(column_, spans_[i].y0, spans_[i].y1, spans_[i].color);
    pending_ = 0;
}

void GraphCanvas::fill(int x0, int y0, int x1, int y1, QRgb color) {
    flush();
    if (x1 < x0)
        qSwap(x0, x1);
    if (y1 < y0)
        qSwap(y0, y1);
    if (recorder_) {
        for (int x = x0; x <= x1; ++x)
            paint(x, y0, y1, color);
        return;
    }
    if (!bits_) {
        fillDevice(x0, y0, x1 - x0 + 1, y1 - y0 + 1, color);
        return;
    }
    for (int y = y0; y <= y1; ++y)
        paintRow(x0, x1, y, color);
}

void GraphCanvas::hline(int x0, int x1, int y, QRgb color, int on, int off) {
    flush();
    if (x1 < x0)
        qSwap(x0, x1);
    on = qMax(on, 1);
    if (off <= 0) {
        paintRow(x0, x1, y, color);
        return;
    }
    const int period = on + off;
    if (bits_) {
        // One pass over the row; the pattern's phase stays tied to x0 after clipping.
        if (y + dy_ < 0 || y + dy_ >= height_)
            return;
        auto* p = reinterpret_cast<QRgb*>(bits_ + qsizetype(y + dy_) * bytesPerLine_);
        const QRgb c = color | 0xFF000000u;
        const int from = qMax(x0 + dx_, 0);
        const int to = qMin(x1 + dx_, width_ - 1);
        int phase = (from - (x0 + dx_)) % period;
        for (int x = from; x <= to; ++x) {
            if (phase < on)
                p[x] = c;
            if (++phase == period)
                phase = 0;
        }
        return;
    }
    for (int x = x0; x <= x1; x += period)
        paintRow(x, qMin(x + on - 1, x1), y, color);
}

void GraphCanvas::vline(int x, int y0, int y1, QRgb color, int on, int off) {
    flush();
    if (y1 < y0)
        qSwap(y0, y1);
    on = qMax(on, 1);
    if (off <= 0) {
        paint(x, y0, y1, color);
        return;
    }
    const int period = on + off;
    if (bits_) {
        if (x + dx_ < 0 || x + dx_ >= width_)
            return;
        const QRgb c = color | 0xFF000000u;
        const int from = qMax(y0 + dy_, 0);
        const int to = qMin(y1 + dy_, height_ - 1);
        int phase = (from - (y0 + dy_)) % period;
        uchar* p = bits_ + qsizetype(from) * bytesPerLine_ + qsizetype(x + dx_) * 4;
        for (int y = from; y <= to; ++y, p += bytesPerLine_) {
            if (phase < on)
                *reinterpret_cast<QRgb*>(p) = c;
            if (++phase == period)
                phase = 0;
        }
        return;
    }
    for (int y = y0; y <= y1; y += period)
        paint(x, y, qMin(y + on - 1, y1), color);
}

void GraphCanvas::paintRow(int x0, int x1, int y, QRgb color) {
    if (!bits_) {
        if (recorder_) {
            for (int x = x0; x <= x1; ++x)
                recorder_->push_back(Span{x, y, y, color});
        } else {
            fillDevice(x0, y, x1 - x0 + 1, 1, color);
        }
        return;
    }
    x0 += dx_;
    x1 += dx_;
    y += dy_;
    if (y < 0 || y >= height_)
        return;
    x0 = qMax(x0, 0);
    x1 = qMin(x1, width_ - 1);
    auto* p = reinterpret_cast<QRgb*>(bits_ + qsizetype(y) * bytesPerLine_);
    const QRgb c = color | 0xFF000000u;
    for (int x = x0; x <= x1; ++x)
        p[x] = c;
}

void GraphCanvas::paint(int x, int y0, int y1, QRgb color) {
    if (!bits_) {
        if (recorder_)
            recorder_->push_back(Span{x, y0, y1, color});
        else
            fillDevice(x, y0, 1, y1 - y0 + 1, color);
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
