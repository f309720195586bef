// The waterfall band: the history as a colour image (newest line on top) stretched into the band,
// and the waterfall's cross-hair.
#include "GraphCanvas.h"
#include "RenderContext.h"

#include <QImage>
#include <QPainter>

namespace trevium {

namespace {

// Rows and columns of the intermediate image are bounded: rows beyond this many are merged, and a
// history much wider than the band is box-averaged down to twice the band width first.
constexpr int kMaxImageRows = 1024;

int channelOf(QRgb lo, QRgb hi, int (*part)(QRgb), qint64 value, qint64 top) {
    const qint64 l = part(lo);
    const qint64 c = l + (part(hi) - l) * value / top;
    return int(qBound(qint64(0), c, qint64(255)));
}

QImage historyImage(const PlotView& v, int bandWidth) {
    qint32 longest = 0;
    qint64 top = 0;
    for (const WaterfallLineView& line : v.wfLines) {
        if (line.values && line.length > 0)
            longest = qMax(longest, line.length);
        top = qMax<qint64>(top, line.max);
    }
    if (top == 0)
        top = 1;
    const int rows = qMin(v.wfMaxSize, kMaxImageRows);
    const int cols = qMin<qint64>(longest, qMax(2 * bandWidth, 1));
    QImage image(qMax(cols, 1), rows, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const QRgb lo = rgbOf(v.wfLoColor);
    const QRgb hi = rgbOf(v.wfHiColor);
    image.fill(lo);
    if (cols == 0)
        return image;
    const qsizetype count = v.wfLines.size();
    for (qsizetype k = 0; k < count && k < v.wfMaxSize; ++k) {
        const WaterfallLineView& line = v.wfLines[count - 1 - k]; // row 0 is the newest line
        if (!line.values || line.length <= 0)
            continue;
        const int y = int(qint64(k) * rows / v.wfMaxSize);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int c = 0; c < cols; ++c) {
            // Source columns of image column c (one column when the history is not reduced).
            const qint64 a = qint64(c) * longest / cols;
            const qint64 b = qMax(a + 1, qint64(c + 1) * longest / cols);
            if (a >= line.length)
                break;
            qint64 sum = 0;
            const qint64 end = qMin<qint64>(b, line.length);
            for (qint64 i = a; i < end; ++i)
                sum += line.values[i];
            const qint64 value = sum / (end - a);
            out[c] = qRgb(channelOf(lo, hi, qRed, value, top), channelOf(lo, hi, qGreen, value, top),
                          channelOf(lo, hi, qBlue, value, top));
        }
    }
    return image;
}

} // namespace

void drawWaterfall(RenderContext& ctx, int left, int top, int right, int bottom) {
    const PlotView& v = ctx.view;
    const int width = right - left;
    const int height = bottom - top;
    if (width <= 0 || height <= 0 || v.wfMaxSize <= 0)
        return;
    const QImage image = historyImage(v, ctx.dev(right) - ctx.dev(left));
    if (!image.isNull()) {
        // Stretched straight to the band's device pixels, so a high-density screen gets it smooth.
        QImage band = image.scaled(ctx.dev(right) - ctx.dev(left), ctx.dev(bottom) - ctx.dev(top),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        band.setDevicePixelRatio(ctx.scale);
        ctx.painter->drawImage(QPoint(left, top), band);
    }

    if (!v.wfShowCursor || v.wfCursorX < v.firstPoint || v.wfCursorX > v.lastPoint)
        return;
    const qint64 span = qMax<qint64>(qint64(v.lastPoint) - v.firstPoint, 1);
    const qint64 rows = qMax(v.wfMaxSize, 1);
    const int x = int(left + ((2 * (qint64(v.wfCursorX) - v.firstPoint) + 1) * width / span) / 2);
    const int y = int(top + ((height * (2 * qint64(v.wfCursorY) + 1)) / rows) / 2);
    const QRgb color = rgbOf(v.wfCursorColor);
    ctx.vline(x, top, bottom - 1, color, 6, 3);
    ctx.hline(left, right - 1, y, color, 6, 3);
}

} // namespace trevium
