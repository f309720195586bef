// The graph: data and reference in points, lines or histogram style, filled or not, with ROI and alarm
// colouring and the compare overlay. Two paths: one segment per channel, or (FastDraw with more
// channels than pixels) one merged stroke per pixel column.
#include "GraphCanvas.h"
#include "RenderContext.h"

#include <QPainter>
#include <QVarLengthArray>
#include <limits>

namespace trevium {

namespace {

QRgb meanColor(QRgb a, QRgb b) {
    return qRgb((qRed(a) + qRed(b)) / 2, (qGreen(a) + qGreen(b)) / 2, (qBlue(a) + qBlue(b)) / 2);
}

// Colour of a channel: the first visible ROI containing it, else the graph colour. Remembers the
// channel range over which the answer cannot change, so a sweep costs one scan per ROI boundary.
class RoiColors {
public:
    RoiColors(const QList<RoiSnapshot>& rois, QRgb graph) : graph_(graph) {
        for (const RoiSnapshot& roi : rois)
            rois_.append(Item{roi.firstChannel, roi.lastChannel, rgbOf(roi.color)});
    }

    QRgb at(qint64 ch) {
        if (ch >= from_ && ch <= to_)
            return color_;
        color_ = graph_;
        from_ = std::numeric_limits<qint64>::min();
        to_ = std::numeric_limits<qint64>::max();
        bool found = false;
        for (const Item& r : rois_) {
            if (ch < r.first) {
                to_ = qMin(to_, qint64(r.first) - 1);
            } else if (ch > r.last) {
                from_ = qMax(from_, qint64(r.last) + 1);
            } else {
                from_ = qMax(from_, qint64(r.first));
                to_ = qMin(to_, qint64(r.last));
                if (!found) {
                    color_ = r.color;
                    found = true;
                }
            }
        }
        return color_;
    }
    // The last channel for which the colour of the channel last asked about holds.
    qint64 validUntil() const { return to_; }

private:
    struct Item {
        qint32 first;
        qint32 last;
        QRgb color;
    };
    QVarLengthArray<Item, 8> rois_;
    QRgb graph_;
    QRgb color_ = 0;
    qint64 from_ = 1;
    qint64 to_ = 0;
};

class GraphPainter {
public:
    explicit GraphPainter(RenderContext& ctx)
        : ctx_(ctx), v_(ctx.view), canvas_(*ctx.canvas),
          left_(ctx.graphLeft), top_(ctx.graphTop), width_(ctx.graphRight - ctx.graphLeft),
          y_(ctx.view.ymode, ctx.fullScale, ctx.graphTop, ctx.graphBottom),
          roi_(ctx.rois, rgbOf(ctx.view.graphColor)), ref_(rgbOf(v_.referenceColor)),
          alarm_(rgbOf(v_.alarmColor)), base_(ctx.graphBottom - 1),
          compare_(v_.compareMode && v_.reference), alarmOn_(v_.showAlarm && !v_.compareMode),
          alarmRow_(y_.row(v_.alarmLevel)), height_(ctx.graphBottom - ctx.graphTop),
          inverseScale_(ctx.fullScale > 0 ? 1.0 / double(ctx.fullScale) : 0.0) {
        if (y_.mode() == 0) {
            const int zero = y_.row(0);
            for (auto& e : cache_)
                e = CacheEntry{0, zero};
        }
    }

    void draw() {
        const bool fast = v_.fastDraw && v_.graphStyle != 1 && width_ < ctx_.span;
        if (fast)
            fastPath();
        else
            normalPath();
        canvas_.flush();
    }

private:
    // Log rows cost a logarithm each; spectra repeat values, so remember recent ones. Linear rows
    // avoid the 64-bit division: a reciprocal estimate corrected to the exact truncated quotient.
    int row(qint32 v) {
        if (y_.mode() == 1 && ctx_.fullScale > 0) {
            if (v <= 0)
                return base_;
            if (v >= ctx_.fullScale)
                return top_;
            const qint64 vh = qint64(v) * height_;
            qint64 q = qint64(double(vh) * inverseScale_);
            if ((q + 1) * ctx_.fullScale <= vh)
                ++q;
            else if (q * ctx_.fullScale > vh)
                --q;
            return qMax(top_, base_ - int(q));
        }
        if (y_.mode() != 0)
            return y_.row(v);
        CacheEntry& e = cache_[quint32(v) & (CacheSize - 1)];
        if (e.value != v)
            e = CacheEntry{v, y_.row(v)};
        return e.row;
    }

    void dataSpan(int x, int y0, int y1, QRgb color) {
        if (y1 < y0)
            qSwap(y0, y1);
        if (alarmOn_ && y0 < alarmRow_) {
            // The part above the alarm row takes the alarm colour.
            if (y1 >= alarmRow_)
                canvas_.span(x, alarmRow_, y1, color);
            canvas_.span(x, y0, qMin(y1, alarmRow_ - 1), alarm_);
            return;
        }
        canvas_.span(x, y0, y1, color);
    }

    void spanOf(bool data, int x, int y0, int y1, QRgb color) {
        if (data)
            dataSpan(x, y0, y1, color);
        else
            canvas_.span(x, y0, y1, color);
    }

    void lineOf(bool data, int x0, int y0, int x1, int y1, QRgb color) {
        if (data && alarmOn_)
            GraphCanvas::forEachLineColumn(x0, y0, x1, y1,
                                           [&](int x, int a, int b) { dataSpan(x, a, b, color); });
        else
            canvas_.line(x0, y0, x1, y1, color);
    }

    // One channel's segment from (px, py) to (x, y) in the current style.
    void segment(bool data, int px, int py, int x, int y, QRgb color) {
        switch (v_.graphStyle) {
        case 1: // points
            spanOf(data, x, y - 1, y, color);
            break;
        case 3: // histogram
            if (v_.plotFilled) {
                for (int c = px; c <= x; ++c)
                    spanOf(data, c, y, base_, color);
            } else {
                spanOf(data, px, py, y, color);
                for (int c = px; c <= x; ++c)
                    spanOf(data, c, y, y, color);
            }
            break;
        default:                                // lines
            if (px == x && !(data && alarmOn_)) // within one column a segment is a vertical span
                canvas_.span(x, v_.plotFilled ? qMin(py, y) : py, v_.plotFilled ? base_ : y, color);
            else if (v_.plotFilled)
                GraphCanvas::forEachLineColumn(px, py, x, y,
                                               [&](int c, int a, int) { spanOf(data, c, a, base_, color); });
            else
                lineOf(data, px, py, x, y, color);
            break;
        }
    }

    // Where both filled shapes of one channel overlap, the mean colour.
    void intersection(int px, int pry, int ry, int py, int y, QRgb color) {
        const QRgb mean = meanColor(color, ref_);
        if (v_.graphStyle == 3) {
            for (int c = px; c <= x_; ++c)
                canvas_.span(c, qMax(y, ry), base_, mean);
            return;
        }
        QVarLengthArray<int, 64> refTop;
        GraphCanvas::forEachLineColumn(px, pry, x_, ry, [&](int, int a, int) { refTop.append(a); });
        int k = 0;
        GraphCanvas::forEachLineColumn(
            px, py, x_, y, [&](int c, int a, int) { canvas_.span(c, qMax(a, refTop[k++]), base_, mean); });
    }

    // Lines without the compare overlay: the segments of consecutive channels that share a pixel column
    // are vertical and contiguous, so each run of them is one span from the row of its largest to the
    // row of its smallest value (down to the baseline when filled). Same pixels, far fewer strokes.
    void lineRuns() {
        const qint64 first = ctx_.first;
        const qint64 last = ctx_.last;
        const qint64 width = width_;
        const qint64 S = ctx_.span;
        int px = left_;
        int py = row(v_.data[first]);
        qint64 a = first;
        while (a <= last) {
            const qint64 rel = (a - first) * width / S;
            const int x = int(left_ + rel);
            // Last channel still in column x.
            qint64 b = width > 0 ? first + ((rel + 1) * S + width - 1) / width - 1 : last;
            const QRgb color = roi_.at(a);
            b = qMin(qMin(b, last), roi_.validUntil());
            const int ya = row(v_.data[a]);
            segment(true, px, py, x, ya, color);
            if (b > a) {
                qint32 vmin = 0, vmax = 0;
                minMax(v_.data, a, b, vmin, vmax);
                spanOf(true, x, row(vmax), v_.plotFilled ? base_ : row(vmin), color);
                py = row(v_.data[b]);
            } else {
                py = ya;
            }
            px = x;
            a = b + 1;
        }
    }

    void normalPath() {
        if (v_.graphStyle == 2 && !compare_) {
            if (ctx_.first <= ctx_.last)
                lineRuns();
            return;
        }
        const qint32 first = ctx_.first;
        const qint32 last = ctx_.last;
        const int width = width_;
        const qint64 stepWhole = width / ctx_.span;
        const qint64 stepRest = width % ctx_.span;
        qint64 xWhole = left_;
        qint64 xRest = 0;
        int px = left_;
        int py = first <= last ? row(v_.data[first]) : 0;
        int pry = compare_ && first <= last ? row(v_.reference[first]) : 0;
        for (qint32 i = first; i <= last; ++i) {
            if (i > first) {
                xWhole += stepWhole;
                xRest += stepRest;
                if (xRest >= ctx_.span) {
                    xRest -= ctx_.span;
                    ++xWhole;
                }
            }
            x_ = int(xWhole);
            const int y = row(v_.data[i]);
            const QRgb color = roi_.at(i);
            int ry = 0;
            if (compare_) {
                ry = row(v_.reference[i]);
                segment(false, px, pry, x_, ry, ref_);
            }
            segment(true, px, py, x_, y, color);
            if (compare_ && v_.plotFilled && v_.graphStyle != 1)
                intersection(px, pry, ry, py, y, color);
            px = x_;
            py = y;
            pry = ry;
        }
    }

    void minMax(const qint32* values, qint64 from, qint64 to, qint32& lo, qint32& hi) const {
        qint32 a = values[from];
        qint32 b = a;
        for (qint64 i = from + 1; i <= to; ++i) {
            a = qMin(a, values[i]);
            b = qMax(b, values[i]);
        }
        lo = a;
        hi = b;
    }

    // One column at x over channels [from, to] (absolute), coloured by channel `to`.
    void column(int x, qint64 from, qint64 to) {
        qint32 vmin = 0, vmax = 0;
        minMax(v_.data, from, to, vmin, vmax);
        const int ylo = row(vmin);
        const int yhi = row(vmax);
        const QRgb color = roi_.at(to);
        if (compare_) {
            qint32 rmin = 0, rmax = 0;
            minMax(v_.reference, from, to, rmin, rmax);
            const int rlo = row(rmin);
            const int rhi = row(rmax);
            canvas_.line(px_, prhi_, x, rlo, ref_);
            canvas_.span(x, rlo, rhi, ref_);
            if (v_.plotFilled) {
                const int lower = qMax(yhi, rhi);
                const int higher = qMin(yhi, rhi);
                canvas_.span(x, base_, lower, meanColor(color, ref_));
                if (higher < lower)
                    canvas_.span(x, higher, lower - 1, yhi < rhi ? color : ref_);
            } else {
                canvas_.line(px_, py_, x, ylo, color);
                canvas_.span(x, ylo, yhi, color);
            }
            prhi_ = rhi;
        } else {
            const int end = v_.plotFilled ? base_ : ylo;
            lineOf(true, px_, py_, x, end, color);
            spanOf(true, x, end, yhi, color);
            if (alarmOn_ && yhi < alarmRow_) {
                const QRgb lowColor = ylo < alarmRow_ ? alarm_ : color;
                const QRgb highColor = alarm_;
                canvas_.span(x, ylo, ylo, lowColor);
                canvas_.span(x, ylo - 1, ylo - 1, lowColor);
                canvas_.span(x, yhi, yhi, highColor);
                canvas_.span(x, yhi - 1, yhi - 1, highColor);
            }
        }
        px_ = x;
        py_ = yhi;
    }

    void fastPath() {
        const qint64 first = ctx_.first;
        const qint64 channels = qint64(ctx_.last) - first; // last relative index
        if (channels < 0)
            return;
        const qint64 S = ctx_.span;
        const qint64 W = width_;
        px_ = left_;
        py_ = row(v_.data[first]);
        prhi_ = compare_ ? row(v_.reference[first]) : 0;
        // Bresenham over channels: the accumulator starts at 2W - S, gains 2W per channel and loses 2S
        // per emitted column. Column j is emitted at the first channel e with 2W(e + 1) - S - 2Sj >= 0.
        qint64 previous = 0;
        qint64 emitted = -1;
        int x = left_;
        for (qint64 j = 0; W > 0; ++j, ++x) {
            const qint64 num = S * (2 * j + 1);
            const qint64 e = qMax<qint64>((num + 2 * W - 1) / (2 * W) - 1, 0);
            if (e > channels)
                break;
            column(x, first + previous, first + e);
            previous = e;
            emitted = e;
        }
        // Channels after the last emitted column still get a column of their own, so the right end
        // of the window is drawn (as the per-channel path draws it).
        if (emitted < channels)
            column(x, first + previous, first + channels);
    }

    struct CacheEntry {
        qint32 value;
        int row;
    };
    static constexpr int CacheSize = 4096;

    RenderContext& ctx_;
    const PlotView& v_;
    GraphCanvas& canvas_;
    // The graph's device rectangle (RenderContext::graphLeft ...).
    int left_;
    int top_;
    int width_;
    YTransform y_;
    RoiColors roi_;
    QRgb ref_;
    QRgb alarm_;
    int base_;
    bool compare_;
    bool alarmOn_;
    int alarmRow_;
    int height_;
    double inverseScale_;
    int x_ = 0;
    int px_ = 0;
    int py_ = 0;
    int prhi_ = 0;
    CacheEntry cache_[CacheSize];
};

} // namespace

void drawGraph(RenderContext& ctx) {
    GraphPainter(ctx).draw();
}

} // namespace trevium
