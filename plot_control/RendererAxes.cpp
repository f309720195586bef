// The axis layer: X and Y grid, ticks and tick labels, alarm line, frame and axes.
#include "GraphCanvas.h"
#include "RenderContext.h"

#include <QPainter>
#include <QVarLengthArray>
#include <cmath>

namespace trevium {

namespace {

double calibrated(const PlotView& v, double ch) {
    return ch * (ch * double(v.calQuadratic) + double(v.calSlope)) + double(v.calOffset);
}

// Decimal exponent of the end value of larger magnitude.
int decimalExponent(double b) {
    if (b < 0 && b > -1)
        b = -b; // between -1 and 0 the magnitude decides
    int p = 0;
    if (b >= 1) {
        while (b > 10 && p < 400) {
            b /= 10;
            ++p;
        }
    } else if (b > 0) {
        while (b < 1 && p > -400) {
            b *= 10;
            --p;
        }
    }
    return p;
}

using Ticks = QVarLengthArray<double, 16>;

// Tick values between vF and vL for about `wanted` divisions, at 1-2-5 steps.
Ticks xTickValues(double vF, double vL, int wanted) {
    Ticks ticks;
    if (!std::isfinite(vF) || !std::isfinite(vL) || vF == vL)
        return ticks;
    int p = decimalExponent(std::fabs(vL) > std::fabs(vF) ? vL : vF);
    double sF = vF * std::pow(10.0, -p);
    double sL = vL * std::pow(10.0, -p);
    for (int guard = 0; std::fabs(sF - sL) < 0.2 && sF < 100 && sL < 100 && guard < 400; ++guard) {
        --p;
        sF = vF * std::pow(10.0, -p);
        sL = vL * std::pow(10.0, -p);
    }
    const double range = std::fabs(sL - sF);
    const double d = range / wanted;
    double s = 0.1;
    if (d > 0.1) {
        static constexpr double kMantissas[3] = {1, 2, 5};
        double decade = 0.1;
        for (int i = 0;; ++i) {
            s = kMantissas[i % 3] * decade;
            if (s >= d || !std::isfinite(s))
                break;
            if (i % 3 == 2)
                decade *= 10;
        }
    }
    if (!std::isfinite(s) || s > range)
        return ticks;
    const double lo = qMin(sF, sL) - 1e-10;
    const double hi = qMax(sF, sL) + 1e-10;
    const auto inside = [&](double t) { return t >= lo && t <= hi; };
    const double base = std::trunc(sF / s);
    double firstTick = 0;
    bool found = false;
    for (int i = 0; i < 6; ++i) {
        const double t = s * (base - 2 + i);
        if (inside(t) && (!found || std::fabs(t - sF) < std::fabs(firstTick - sF))) {
            firstTick = t;
            found = true;
        }
    }
    if (!found)
        return ticks;
    const double step = sL > sF ? s : -s;
    const double scale = std::pow(10.0, p);
    for (int i = 0; i < 64; ++i) {
        const double t = firstTick + i * step;
        if (!inside(t))
            break;
        ticks.append(t * scale);
    }
    return ticks;
}

// The channel whose calibrated value is `value`, or false when no channel has it.
bool channelOfValue(const PlotView& v, qint32 first, qint32 last, double value, qint64& channel) {
    const double q = v.calQuadratic;
    const double s = v.calSlope;
    double ch = 0;
    if (q != 0) {
        const double disc = s * s - 4 * q * (double(v.calOffset) - value);
        if (!(disc >= 0))
            return false;
        ch = std::trunc((-s - std::sqrt(disc)) * 0.5 / q);
        if (!(ch >= qMin(first, last) && ch <= qMax(first, last)))
            ch = std::trunc((-s + std::sqrt(disc)) * 0.5 / q);
    } else if (s != 0) {
        ch = std::trunc((value - double(v.calOffset)) / s);
    } else {
        return false;
    }
    if (!std::isfinite(ch))
        return false;
    channel = qint64(qBound(-1e9, ch, 1e9));
    return true;
}

qint64 niceStep(qint64 raw) {
    qint64 d = raw;
    qint64 scale = 1;
    while (d > 10) {
        d /= 10;
        scale *= 10;
    }
    if (d >= 3 && d <= 7)
        d = 5;
    else if (d == 8 || d == 9)
        d = 10;
    return qMax<qint64>(d * scale, 1);
}

class AxisPainter {
public:
    AxisPainter(RenderContext& ctx, bool withGrid, bool withRest)
        : ctx_(ctx), v_(ctx.view), p_(*ctx.painter), grid_(withGrid && ctx.view.showGrid),
          ticks_(withRest && ctx.ticksShown), rest_(withRest), axis_(rgbOf(v_.axisColor)),
          gridColor_(rgbOf(v_.gridColor)), labelPen_(oleColor(v_.labelColor), 1) {}

    void draw() {
        if (ticks_)
            p_.setFont(ctx_.hFont);
        if (grid_ || ticks_)
            xAxis();
        if (grid_ || ticks_)
            yAxis();
        if (!rest_)
            return;
        alarmLine();
        const int L = ctx_.left, T = ctx_.top, R = ctx_.right, B = ctx_.bottom;
        if (v_.showFrame) {
            const int frameBottom = B + ctx_.band - 1;
            ctx_.hline(L, R, T - 1, axis_);
            ctx_.hline(L, R, frameBottom, axis_);
            ctx_.vline(L, T - 1, frameBottom, axis_);
            ctx_.vline(R, T - 1, frameBottom, axis_);
            if (ctx_.band > 0)
                ctx_.hline(L, R, B - 1, axis_);
        }
        if (v_.showAxes) {
            ctx_.vline(L, T, B - 1, axis_);
            ctx_.hline(L, R, B - 1, axis_);
        }
    }

private:
    void xAxis() {
        const qint32 fp = v_.bufferLength > 0 ? ctx_.first : v_.firstPoint;
        const qint32 lp = v_.bufferLength > 0 ? ctx_.last : v_.lastPoint;
        const double vF = v_.calEnable ? calibrated(v_, fp) : double(fp);
        const double vL = v_.calEnable ? calibrated(v_, lp) : double(lp);
        const int wanted = qBound(2, ctx_.width() / (4 * ctx_.h), 10);
        const int tickTop = ctx_.bottom + ctx_.band;
        for (double value : xTickValues(vF, vL, wanted)) {
            qint64 x = 0;
            if (v_.calEnable) {
                qint64 ch = 0;
                if (!channelOfValue(v_, fp, lp, value, ch))
                    continue;
                x = ctx_.left + (ch - ctx_.first) * ctx_.width() / ctx_.span;
            } else {
                x = ctx_.left + qint64((value - vF) * ctx_.width() / (vL - vF));
            }
            if (grid_ && ctx_.bottom > ctx_.top)
                ctx_.vline(int(x), ctx_.top, ctx_.bottom - 1, gridColor_, 1, 2);
            if (ticks_) {
                if (ctx_.h / 2 - 3 >= 0)
                    ctx_.vline(int(x), tickTop, tickTop + ctx_.h / 2 - 3, axis_);
                p_.setPen(labelPen_);
                const QString label = formatValue(value);
                // The right margin is narrower than a label: keep the end labels inside the
                // drawing rather than cut off (the tick itself stays where it belongs).
                const int half = p_.fontMetrics().horizontalAdvance(label) / 2;
                const int cx = qMax(qMin(int(x), ctx_.outerRight - 1 - half), ctx_.outerLeft + half);
                drawAlignedText(p_, cx, tickTop + ctx_.h / 2 - 1, label, Qt::AlignHCenter | Qt::AlignTop);
            }
        }
    }

    bool rowInRange(qint64 y) const { return y >= ctx_.top - 1 && y <= ctx_.bottom; }

    void gridRow(qint64 y) {
        if (!grid_ || !rowInRange(y) || ctx_.right <= ctx_.left)
            return;
        ctx_.hline(ctx_.left, ctx_.right - 1, int(y), gridColor_, 1, 2);
    }

    void tickRow(qint64 y, qint64 value) {
        if (!ticks_ || !rowInRange(y))
            return;
        const int L = ctx_.left;
        const int h2 = ctx_.h / 2;
        ctx_.hline(L - h2 + 3, L - 1, int(y), axis_);
        p_.setPen(labelPen_);
        drawAlignedText(p_, L - h2 + 1, int(y) + h2, formatInteger(value), Qt::AlignRight | Qt::AlignBottom);
    }

    void yAxis() {
        const qint64 F = ctx_.fullScale;
        const int H = ctx_.height();
        const int B = ctx_.bottom;
        if (v_.ymode == 0) {
            double logF = std::log10(double(qMax<qint64>(F, 1)));
            if (logF == 0)
                logF = 1.0;
            const int decades = int(logF + 0.5);
            bool minors = v_.showGrid;
            qint64 power = 1;
            for (int j = 0; j <= decades; ++j, power *= 10) {
                const qint64 y = (B - 1) - qint64(j * H / logF);
                gridRow(y);
                tickRow(y, power);
                for (int m = 1; minors && m <= 9; ++m) {
                    if ((m + 1) * power > F) {
                        minors = false;
                        break;
                    }
                    gridRow((B - 1) - qint64(std::log10(double(m * power)) * H / logF));
                }
            }
        } else if (v_.ymode == 2) {
            const double sqrtF = F > 0 ? std::sqrt(double(F)) : 1.0;
            const auto row = [&](qint64 v) {
                return qint64(std::trunc((B - 1) - std::sqrt(double(v)) * H / sqrtF));
            };
            bool done = false;
            for (qint64 c = 1; c < F && !done; c *= 10) {
                const qint64 major = c == 1 ? 0 : c;
                gridRow(row(major));
                tickRow(row(major), major);
                if (!v_.showGrid)
                    continue;
                for (int m = 1; m <= 9; ++m) {
                    const qint64 v = m * c;
                    gridRow(row(v));
                    if (v + c > F) {
                        tickRow(row(v), v);
                        done = true;
                        break;
                    }
                }
            }
        } else {
            const int wanted = qBound(2, H / (3 * ctx_.h), 10);
            const qint64 step = niceStep(F / wanted);
            const YTransform t(1, F, ctx_.top, ctx_.bottom);
            for (qint64 k = 0; k <= F / step; ++k) {
                const qint64 y = t.rawRow(k * step);
                gridRow(y);
                tickRow(y, k * step);
            }
        }
    }

    void alarmLine() {
        if (!v_.showAlarm || ctx_.right <= ctx_.left)
            return;
        const YTransform t(v_.ymode, ctx_.fullScale, ctx_.top, ctx_.bottom);
        const int y = t.row(v_.alarmLevel);
        if (y <= ctx_.top || y >= ctx_.bottom - 1)
            return;
        // Two pixels thick, dashes of 4 on and 2 off.
        const QRgb alarm = rgbOf(v_.alarmColor);
        ctx_.hline(ctx_.left, ctx_.right - 1, y - 1, alarm, 4, 2);
        ctx_.hline(ctx_.left, ctx_.right - 1, y, alarm, 4, 2);
    }

    RenderContext& ctx_;
    const PlotView& v_;
    QPainter& p_;
    bool grid_;
    bool ticks_;
    bool rest_;
    QRgb axis_;
    QRgb gridColor_;
    QPen labelPen_;
};

} // namespace

void drawAxisLayer(RenderContext& ctx, bool withGrid, bool withRest) {
    AxisPainter(ctx, withGrid, withRest).draw();
}

} // namespace trevium
