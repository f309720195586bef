// The plot renderer's main sequence: fonts, margins, waterfall band, full scale, the two axis layers
// around the graph, ROI labels, axis titles, cursor and zoom box.
#include "Renderer.h"
#include "GraphCanvas.h"
#include "RenderContext.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPolygon>
#include <QStaticText>
#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace trevium {

namespace {

constexpr std::array<qint64, 42> kFullScales = {
    10,       20,        30,        40,        50,        60,        100,      150,      200,
    250,      300,       400,       500,       1000,      1500,      2000,     3000,     4000,
    5000,     10000,     20000,     30000,     40000,     50000,     100000,   200000,   300000,
    400000,   500000,    1000000,   2000000,   3000000,   5000000,   10000000, 20000000, 30000000,
    50000000, 100000000, 200000000, 300000000, 500000000, 1000000000};

// The classic default system colours, by index (COLOR_SCROLLBAR = 0 .. COLOR_MENUBAR = 30), as RGB.
constexpr std::array<QRgb, 31> kSystemColors = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0xB5B5B5, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0};

// Fonts are kept per pixel size, with the measures the layout needs, so their engines are looked up
// and the text measured once, not on every drawing.
struct PlotFont {
    QFont font;
    int digitsWidth = 0; // "88888"
    int height = 0;
};

const PlotFont& plotFont(int pixelSize) {
    thread_local std::array<PlotFont, 21> fonts;
    thread_local std::array<bool, 21> made{};
    const size_t i = size_t(qBound(0, pixelSize, 20));
    if (!made[i]) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(int(i));
        font.setWeight(QFont::Normal);
        font.setStyleStrategy(QFont::NoAntialias);
        font.setHintingPreference(QFont::PreferFullHinting);
        const QFontMetrics fm(font);
        fonts[i] = PlotFont{font, fm.horizontalAdvance(QStringLiteral("88888")), fm.height()};
        made[i] = true;
    }
    return fonts[i];
}

// Tick labels repeat from one drawing to the next: keep their laid-out text.
const QStaticText& staticText(const QString& text, const QFont& font) {
    thread_local QHash<QPair<QString, int>, QStaticText> cache;
    const QPair<QString, int> key(text, font.pixelSize());
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() > 512)
            cache.clear();
        QStaticText prepared(text);
        prepared.setTextFormat(Qt::PlainText);
        prepared.setPerformanceHint(QStaticText::AggressiveCaching);
        prepared.prepare(QTransform(), font);
        it = cache.insert(key, prepared);
    }
    return *it;
}

double calibrated(const PlotView& v, qint64 ch) {
    const double c = double(ch);
    return c * (c * double(v.calQuadratic) + double(v.calSlope)) + double(v.calOffset);
}

} // namespace

QRgb rgbOf(quint32 ole) {
    if ((ole >> 24) == 0x80) {
        const quint32 index = ole & 0xFFFFFF;
        return 0xFF000000u | (index < kSystemColors.size() ? kSystemColors[index] : 0);
    }
    return qRgb(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

QColor oleColor(quint32 ole) {
    return QColor::fromRgb(rgbOf(ole));
}

qint32 chooseFullScale(qint64 maxValue, qint32 yscale, int labelRoom, int plotHeight) {
    const quint64 magnitude = quint64(maxValue < 0 ? -maxValue : maxValue);
    const quint64 height = quint64(qMax(plotHeight, 1));
    const quint64 room = quint64(qMax(labelRoom, 0)) + 1;
    for (qint64 entry : kFullScales) {
        const quint64 t = quint64(entry);
        if (yscale != 0 ? t >= quint64(qAbs(qint64(yscale))) : magnitude + t * room / height < t)
            return qint32(entry);
    }
    // Beyond the table the maximum itself is the scale (its magnitude, so the scale stays positive).
    return qint32(qMin<quint64>(magnitude, std::numeric_limits<qint32>::max()));
}

YTransform::YTransform(qint16 mode, qint64 fullScale, int top, int bottom)
    : mode_(mode), fullScale_(fullScale), top_(top), bottom_(bottom), height_(bottom - top) {
    double tf = 0;
    if (mode == 0)
        tf = 10.0 * std::log10(double(qMax<qint64>(fullScale, 1)));
    else if (mode == 2)
        tf = std::sqrt(double(qMax<qint64>(fullScale, 0)));
    else
        tf = double(fullScale);
    tFull_ = tf == 0.0 ? 1.0 : tf;
}

qint64 YTransform::rawRow(qint64 v) const {
    double q = 0;
    if (mode_ == 0) {
        q = 10.0 * std::log10(double(qMax<qint64>(v, 1))) * height_ / tFull_;
    } else if (mode_ == 2) {
        q = std::sqrt(double(qMax<qint64>(v, 0))) * height_ / tFull_;
    } else if (fullScale_ > 0) {
        // Exact in integers: v * height fits comfortably in 64 bits.
        return qint64(bottom_ - 1) - v * height_ / fullScale_;
    } else {
        q = double(v) * height_ / tFull_;
    }
    q = qBound(-1e12, q, 1e12);
    return qint64(bottom_ - 1) - qint64(q);
}

int YTransform::row(qint64 v) const {
    const qint64 r = rawRow(v);
    // Rows above the plot are raised to its top; rows below it (negative values) rest on the baseline.
    return int(qBound<qint64>(qint64(top_), r, qint64(qMax(top_, bottom_ - 1))));
}

void drawAlignedText(QPainter& painter, int x, int y, const QString& text, int align) {
    if (painter.transform().type() <= QTransform::TxTranslate) {
        const QStaticText& prepared = staticText(text, painter.font());
        const QSizeF size = prepared.size();
        int left = x;
        if (align & Qt::AlignHCenter)
            left = x - qRound(size.width()) / 2;
        else if (align & Qt::AlignRight)
            left = x - qRound(size.width());
        const int top = (align & Qt::AlignBottom) ? y - qRound(size.height()) : y;
        painter.drawStaticText(QPoint(left, top), prepared);
        return;
    }
    const QFontMetrics fm = painter.fontMetrics();
    int left = x;
    if (align & Qt::AlignHCenter)
        left = x - fm.horizontalAdvance(text) / 2;
    else if (align & Qt::AlignRight)
        left = x - fm.horizontalAdvance(text);
    const int baseline = (align & Qt::AlignBottom) ? y - fm.descent() : y + fm.ascent();
    painter.drawText(QPoint(left, baseline), text);
}

void drawVerticalText(QPainter& painter, int x, int y, const QString& text, int align) {
    painter.save();
    painter.translate(x, y);
    painter.rotate(-90);
    drawAlignedText(painter, 0, 0, text, align);
    painter.restore();
}

// The plot speaks no locale: "." as decimal point, ASCII digits and minus, no digit grouping, whatever
// the user's locale (std::to_chars ignores it, unlike printf and QLocale()).
QString formatValue(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString formatInteger(qint64 value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

namespace {

// Widest visible, labelled snapshot item in the rotated font, at most half the plot height.
int roiLabelRoom(const RenderContext& ctx) {
    if (std::none_of(ctx.rois.begin(), ctx.rois.end(), [](const RoiSnapshot& r) { return !r.label.isEmpty(); }))
        return 0;
    const QFontMetrics fm(ctx.vFont);
    int room = 0;
    for (const RoiSnapshot& roi : ctx.rois)
        if (!roi.label.isEmpty())
            room = qMax(room, fm.horizontalAdvance(roi.label));
    return qMin(room, qMax(ctx.height(), 0) / 2);
}

void drawRoiLabels(RenderContext& ctx, const YTransform& y, QList<QRect>* labelRects) {
    const PlotView& v = ctx.view;
    QPainter& p = *ctx.painter;
    p.setFont(ctx.vFont);
    const QFontMetrics fm = p.fontMetrics();
    const int e = fm.height() / 2;
    const qint64 k = qint64(e + 1) * ctx.span / qMax(ctx.width(), 1);
    for (const RoiSnapshot& roi : ctx.rois) {
        if (roi.label.isEmpty() || roi.firstChannel >= roi.lastChannel)
            continue;
        const qint64 c = (qint64(roi.firstChannel) + roi.lastChannel) / 2;
        int y0 = ctx.bottom;
        const qint64 from = qMax<qint64>(c - k - 1, ctx.first);
        const qint64 to = qMin<qint64>(c + k + 1, ctx.last);
        for (qint64 i = from; i <= to; ++i) {
            y0 = qMin(y0, y.row(v.data[i]));
            if (v.compareMode && v.reference)
                y0 = qMin(y0, y.row(v.reference[i]));
        }
        p.setPen(oleColor(roi.color));
        const int x = int(ctx.left + (c - ctx.first) * ctx.width() / ctx.span - e);
        drawVerticalText(p, x, y0 - 1, roi.label, Qt::AlignLeft | Qt::AlignTop);
        if (labelRects) {
            // The rotated text runs upward from (x, y0 - 1); a margin covers glyphs beyond the metrics.
            const int length = fm.horizontalAdvance(roi.label);
            const QRect logical(QPoint(x - 4, y0 - 1 - length - 4), QPoint(x + fm.height() + 4, y0 + 3));
            labelRects->append(QRect(QPoint(ctx.dev(logical.left()), ctx.dev(logical.top())),
                                     QPoint(ctx.dev(logical.right() + 1), ctx.dev(logical.bottom() + 1))));
        }
    }
}

void drawTitles(RenderContext& ctx) {
    const PlotView& v = ctx.view;
    QPainter& p = *ctx.painter;
    p.setPen(oleColor(v.labelColor));
    if (v.wfHeightRatio < 100 && !v.yLabel.isEmpty()) {
        p.setFont(ctx.vFont);
        drawVerticalText(p, 2, (ctx.top + ctx.bottom) / 2, v.yLabel, Qt::AlignHCenter | Qt::AlignTop);
    }
    if (!v.xLabel.isEmpty()) {
        p.setFont(ctx.hFont);
        drawAlignedText(p, (ctx.left + ctx.right) / 2, ctx.bottom + ctx.band + ctx.h + ctx.h / 2 - 4,
                        v.xLabel, Qt::AlignHCenter | Qt::AlignTop);
    }
}

void drawCursor(RenderContext& ctx, const YTransform& y) {
    const PlotView& v = ctx.view;
    if (v.cursorPos < ctx.first || v.cursorPos > ctx.last || v.cursorPos >= ctx.length)
        return;
    QPainter& p = *ctx.painter;
    const int x = ctx.xOf(v.cursorPos);
    const QColor color = oleColor(v.cursorColor);
    if (v.cursorType != 1) {
        if (ctx.bottom - 1 >= ctx.top)
            ctx.vline(x, ctx.top, ctx.bottom - 1, color.rgb(), 6, 3);
        return;
    }
    ctx.canvas->flush();
    const int yc = y.row(v.data[v.cursorPos]);
    p.setPen(QPen(color, 1));
    p.setBrush(color);
    const QPoint triangle[3] = {QPoint(x, yc - 2), QPoint(x + 3, yc - 18), QPoint(x - 3, yc - 18)};
    p.drawPolygon(triangle, 3);
    p.setBrush(Qt::NoBrush);
    p.setFont(ctx.hFont);
    const double value = v.calEnable ? calibrated(v, v.cursorPos) : double(v.cursorPos);
    const QString text = formatValue(value);
    drawAlignedText(p, x + 1, yc - 18, text, Qt::AlignHCenter | Qt::AlignBottom);
    if (ctx.marks) {
        const QFontMetrics fm(ctx.hFont);
        const int half = fm.horizontalAdvance(text) / 2 + 4;
        const QRect logical(QPoint(qMin(x - 5, x + 1 - half), yc - 18 - fm.height() - 4),
                            QPoint(qMax(x + 5, x + 1 + half), yc));
        ctx.marks->append(QRect(QPoint(ctx.dev(logical.left()), ctx.dev(logical.top())),
                                QPoint(ctx.dev(logical.right() + 1), ctx.dev(logical.bottom() + 1))));
    }
}

void drawZoomBox(RenderContext& ctx) {
    const PlotView& v = ctx.view;
    const QRgb color = rgbOf(v.zoomColor);
    const qint64 lo = qMin(v.zoomFirst, v.zoomLast);
    const qint64 hi = qMax(v.zoomFirst, v.zoomLast);
    // Channel numbers count from the plot's left edge, as the pointer's hit test does.
    qint64 xl = ctx.left + ctx.width() * lo / ctx.span;
    qint64 xr = ctx.left + ctx.width() * hi / ctx.span;
    const int edgeBottom = ctx.bottom - 3; // edges run from the top to bottom - 2 (exclusive)
    if (xl < ctx.left)
        xl = ctx.left;
    else if (edgeBottom >= ctx.top)
        ctx.vline(int(xl), ctx.top, edgeBottom, color);
    if (xr > ctx.right)
        xr = ctx.right;
    else if (edgeBottom >= ctx.top)
        ctx.vline(int(xr), ctx.top, edgeBottom, color);
    if (xr >= xl) {
        ctx.hline(int(xl), int(xr), ctx.top, color);
        ctx.hline(int(xl), int(xr), ctx.bottom - 2, color);
    }
}

} // namespace

void RenderContext::hline(int x0, int x1, int y, QRgb color, int on, int off) {
    if (x1 < x0)
        qSwap(x0, x1);
    if (scale == 1.0 && !marks) {
        canvas->hline(x0, x1, y, color, on, off);
        return;
    }
    on = qMax(on, 1);
    const int top = dev(y);
    const int bottom = top + pen - 1;
    const auto right = [&](int x) { return qMax(dev(x + 1) - 1, dev(x)); };
    if (marks)
        marks->append(QRect(QPoint(dev(x0), top), QPoint(right(x1), bottom)));
    const int length = off > 0 ? on : x1 - x0 + 1;
    for (int a = x0; a <= x1; a += length + qMax(off, 0))
        canvas->fill(dev(a), top, right(qMin(a + length - 1, x1)), bottom, color);
}

void RenderContext::vline(int x, int y0, int y1, QRgb color, int on, int off) {
    if (y1 < y0)
        qSwap(y0, y1);
    if (scale == 1.0 && !marks) {
        canvas->vline(x, y0, y1, color, on, off);
        return;
    }
    on = qMax(on, 1);
    const int left = dev(x);
    const int right = left + pen - 1;
    const auto bottom = [&](int y) { return qMax(dev(y + 1) - 1, dev(y)); };
    if (marks)
        marks->append(QRect(QPoint(left, dev(y0)), QPoint(right, bottom(y1))));
    const int length = off > 0 ? on : y1 - y0 + 1;
    for (int a = y0; a <= y1; a += length + qMax(off, 0))
        canvas->fill(left, dev(a), right, bottom(qMin(a + length - 1, y1)), color);
}

void preparePainter(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setBrush(Qt::NoBrush);
    painter.setBackgroundMode(Qt::TransparentMode);
}

RenderResult layOut(RenderContext& ctx, const QRect& rect, bool drawWaterfall) {
    const PlotView& view = ctx.view;
    RenderResult result;
    int left = rect.left();
    int top = rect.top();
    int right = left + qMax(rect.width(), 0);
    int bottom = top + qMax(rect.height(), 0);
    ctx.outerLeft = left;
    ctx.outerRight = right;

    // 1. Fonts follow the target height.
    ctx.h = qBound(13, (bottom - top) / 40 + 8, 20);
    const PlotFont& hFont = plotFont(ctx.h);
    ctx.hFont = hFont.font;
    ctx.vFont = plotFont(qBound(12, ctx.h - 2, 16)).font;
    const int W = hFont.digitsWidth;
    const int H = hFont.height;

    // 2. Margins for tick labels and axis titles.
    if (view.showTicks) {
        left += W + 10;
        top += 10;
        right -= 10;
        bottom -= (2 * ctx.h) / 3 + H;
        if (view.showLabels) {
            left += H;
            bottom -= H + ctx.h - 17;
        }
    }
    right = qMax(right, left);
    bottom = qMax(bottom, top);

    // 3. Waterfall band below the graph.
    ctx.band = 0;
    if (view.showWaterfall && view.wfHeightRatio > 0) {
        const int rectHeight = bottom - top;
        ctx.band = int(qMin<qint64>(qint64(view.wfHeightRatio) * rectHeight / 100, rectHeight));
        bottom -= ctx.band;
        result.waterfallRect = QRect(left, bottom, right - left, ctx.band);
        if (drawWaterfall)
            trevium::drawWaterfall(ctx, left, bottom, right, bottom + ctx.band);
    }
    ctx.left = left;
    ctx.top = top;
    ctx.right = right;
    ctx.bottom = bottom;
    result.plotRect = QRect(left, top, right - left, bottom - top);
    ctx.ticksShown = view.showTicks && view.wfHeightRatio < 100;
    ctx.graphLeft = ctx.dev(left);
    ctx.graphTop = ctx.dev(top);
    ctx.graphRight = ctx.dev(right);
    ctx.graphBottom = ctx.dev(bottom);
    ctx.axisLayer = view.showGrid || view.showAxes || view.showFrame || view.showTicks || view.showAlarm;

    // 4. ROI snapshot: the visible items, in list order.
    ctx.rois.clear();
    if (view.showROIs && view.wfHeightRatio < 100)
        for (const RoiSnapshot& roi : view.rois)
            if (roi.visible)
                ctx.rois.append(roi);

    // 5. Nothing more to draw without data.
    ctx.hasData = view.data && view.bufferLength > 0;
    if (!ctx.hasData)
        return result;
    ctx.length = view.bufferLength;
    ctx.first = qBound(0, view.firstPoint, ctx.length - 1);
    ctx.last = qBound(0, view.lastPoint, ctx.length - 1);
    ctx.span = qMax<qint64>(qint64(ctx.last) - ctx.first, 1);

    // 6. Maximum over all points (and the reference in compare mode).
    const qint32 count = qBound(0, view.npoints, ctx.length);
    qint32 maxValue = count > 0 ? *std::max_element(view.data, view.data + count) : 0;
    if (view.compareMode && view.reference && count > 0)
        maxValue = qMax(maxValue, *std::max_element(view.reference, view.reference + count));

    // 7.-8. Full scale, leaving room for the ROI labels above the highest value.
    const int labelRoom = view.showROIs ? roiLabelRoom(ctx) : 0;
    ctx.fullScale = chooseFullScale(maxValue, view.yscale, labelRoom, ctx.height());
    result.fullScale = qint32(ctx.fullScale);
    return result;
}

void drawUnderLayer(RenderContext& ctx) {
    // 9. The grid under the graph, unless on top.
    if (ctx.hasData && ctx.axisLayer && !ctx.view.gridOnTop)
        drawAxisLayer(ctx, true, false);
}

void drawGraphPhase(RenderContext& ctx) {
    // 10. Data and reference.
    if (ctx.hasData && ctx.height() > 0)
        drawGraph(ctx);
}

void drawRoiLabelsPhase(RenderContext& ctx, QList<QRect>* labelRects) {
    // 11. ROI labels above their peaks.
    if (ctx.hasData && ctx.view.showROIs && ctx.height() > 0)
        drawRoiLabels(ctx, YTransform(ctx.view.ymode, ctx.fullScale, ctx.top, ctx.bottom), labelRects);
}

void drawOverLayer(RenderContext& ctx) {
    if (!ctx.hasData)
        return;
    // 12. Frame, axes, ticks and alarm line on top (the grid too when on top), 13. axis titles.
    if (ctx.axisLayer)
        drawAxisLayer(ctx, ctx.view.gridOnTop, true);
    if (ctx.view.showTicks && ctx.view.showLabels)
        drawTitles(ctx);
}

void drawMarksPhase(RenderContext& ctx) {
    if (!ctx.hasData)
        return;
    // 14. Cursor, 15. zoom box.
    if (ctx.view.showCursor && ctx.height() > 0)
        drawCursor(ctx, YTransform(ctx.view.ymode, ctx.fullScale, ctx.top, ctx.bottom));
    if (ctx.view.zoomVisible)
        drawZoomBox(ctx);
    ctx.canvas->flush();
}

qreal deviceScale(const QPainter& painter) {
    // Device pixels are only addressed one by one when the painter itself does not transform.
    const QPaintDevice* device = painter.device();
    if (!device || painter.worldTransform().type() > QTransform::TxTranslate)
        return 1.0;
    const qreal ratio = device->devicePixelRatio();
    return ratio >= 1.0 && ratio <= 16.0 ? ratio : 1.0;
}

int penFor(qreal scale) {
    return qMax(1, qRound(scale));
}

CanvasContext::CanvasContext(QPainter& painter, const PlotView& view, qreal scale)
    : canvas(painter, scale), ctx(&painter, view) {
    preparePainter(painter);
    ctx.scale = scale;
    ctx.pen = penFor(scale);
    ctx.canvas = &canvas;
}

RenderResult render(QPainter& painter, const QRect& rect, const PlotView& view) {
    painter.save();
    RenderResult result;
    {
        CanvasContext c(painter, view, deviceScale(painter));
        result = layOut(c.ctx, rect, true);
        drawUnderLayer(c.ctx);
        drawGraphPhase(c.ctx);
        drawRoiLabelsPhase(c.ctx, nullptr);
        drawOverLayer(c.ctx);
        drawMarksPhase(c.ctx);
    }
    painter.restore();
    return result;
}

} // namespace trevium
