// State shared by the renderer's parts during one drawing: geometry, fonts, full scale and the value
// transforms. Internal to the renderer.
#pragma once

#include "GraphCanvas.h"
#include "PlotView.h"
#include "Renderer.h"

#include <QFont>
#include <QRgb>
#include <cmath>

class QPainter;

namespace trevium {

// Pixel row of a data value: (bottom - 1) - trunc(T(v) * (bottom - top) / T(F)), limited to the plot.
class YTransform {
public:
    YTransform(qint16 mode, qint64 fullScale, int top, int bottom);
    int row(qint64 v) const;
    // Row before limiting (the grid's own formulas need the raw value).
    qint64 rawRow(qint64 v) const;
    qint16 mode() const { return mode_; }

private:
    qint16 mode_;
    qint64 fullScale_;
    int top_;
    int bottom_;
    int height_;
    double tFull_;
};

struct RenderContext {
    RenderContext(QPainter* p, const PlotView& v) : painter(p), view(v) {}

    QPainter* painter;
    const PlotView& view;
    GraphCanvas* canvas = nullptr; // lines and the graph; text and images go through the painter

    // Device pixels per logical pixel. The layout is worked out in logical pixels; lines and the graph
    // are drawn in device pixels: axis-aligned lines `pen` device pixels thick for every logical pixel,
    // the graph one device pixel thick, so a high-density screen shows its full detail.
    qreal scale = 1.0;
    int pen = 1;
    // The device coordinate where logical pixel v begins.
    int dev(int v) const { return scale == 1.0 ? v : int(std::lround(v * scale)); }
    // When set, the device rectangles of every line drawn are added here (the cursor and zoom box of
    // a cached drawing, which the next drawing takes away again).
    QList<QRect>* marks = nullptr;

    // Logical axis-aligned lines, both ends included, with an optional dash pattern in logical pixels.
    void hline(int x0, int x1, int y, QRgb color, int on = 1, int off = 0);
    void vline(int x, int y0, int y1, QRgb color, int on = 1, int off = 0);

    int h = 13;              // horizontal font height
    QFont hFont;             // tick labels, X title, cursor value
    QFont vFont;             // rotated: Y title and ROI labels
    int band = 0;            // waterfall band height b
    bool ticksShown = false; // ShowTicks and the waterfall leaves room for tick labels

    // Plot rectangle as edges: right and bottom are exclusive.
    int left = 0, top = 0, right = 0, bottom = 0;
    // The whole target rectangle's horizontal edges (right exclusive), before the margins.
    int outerLeft = 0, outerRight = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }

    // Data window, limited to the buffer.
    qint32 length = 0; // buffer length (0 = no data)
    qint32 first = 0;
    qint32 last = 0;
    qint64 span = 1; // max(last - first, 1)
    qint64 fullScale = 0;

    QList<RoiSnapshot> rois; // visible snapshot items, list order

    int xOf(qint64 channel) const { return int(left + (channel - first) * width() / span); }

    // The graph's rectangle in device pixels.
    int graphLeft = 0, graphTop = 0, graphRight = 0, graphBottom = 0;

    bool hasData = false;   // a data buffer exists: steps 6 to 15 run
    bool axisLayer = false; // any of ShowGrid, ShowAxes, ShowFrame, ShowTicks, ShowAlarm
};

// Device pixels per logical pixel of what `painter` draws on, and the thickness of a 1-pixel line there.
qreal deviceScale(const QPainter& painter);
int penFor(qreal scale);

// A context that draws through `painter` at `scale` device pixels per logical pixel, with its own
// span canvas and the painter set up as every phase expects.
struct CanvasContext {
    CanvasContext(QPainter& painter, const PlotView& view, qreal scale);
    GraphCanvas canvas;
    RenderContext ctx;
};

// The drawing's phases, in their order; a cached drawing runs them into different layers.
// Fonts, margins, waterfall band (drawn only when `drawWaterfall`), ROI snapshot, data window and full
// scale. Returns what the drawing uses.
RenderResult layOut(RenderContext& ctx, const QRect& rect, bool drawWaterfall);
// The axis layer under the graph (its grid, unless GridOnTop).
void drawUnderLayer(RenderContext& ctx);
// Graph, then ROI labels (their rectangles, in device pixels, added to `labelRects` when given).
void drawGraphPhase(RenderContext& ctx);
void drawRoiLabelsPhase(RenderContext& ctx, QList<QRect>* labelRects);
// Frame, axes, ticks, labels, alarm line (and the grid when on top), then the axis titles.
void drawOverLayer(RenderContext& ctx);
// Cursor and zoom box (their rectangles added to ctx.marks when set).
void drawMarksPhase(RenderContext& ctx);
// Painter settings every phase relies on.
void preparePainter(QPainter& painter);

QRgb rgbOf(quint32 ole);

// Axis layer: grid (when `withGrid`), ticks, labels, alarm line, frame and axes.
void drawAxisLayer(RenderContext& ctx, bool withGrid, bool withRest);
// Data and reference graph.
void drawGraph(RenderContext& ctx);
// Waterfall image and cross-hair into `rect` (edges, right/bottom exclusive).
void drawWaterfall(RenderContext& ctx, int left, int top, int right, int bottom);

// Text whose reference point (x, y) is placed by `align`: Qt::AlignLeft, AlignHCenter or AlignRight
// with Qt::AlignTop or AlignBottom (the edges of the text cell).
void drawAlignedText(QPainter& painter, int x, int y, const QString& text, int align);
// The same for the rotated font: the text runs upward from (x, y) and its top edge faces left.
void drawVerticalText(QPainter& painter, int x, int y, const QString& text, int align);
// "%.4g" in the C locale.
QString formatValue(double value);
// A decimal integer in the C locale (no digit grouping).
QString formatInteger(qint64 value);

} // namespace trevium
