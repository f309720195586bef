// State shared by the renderer's parts during one drawing: geometry, fonts, full scale and the value
// transforms. Internal to the renderer.
#pragma once

#include "PlotView.h"
#include "Renderer.h"

#include <QFont>
#include <QRgb>
#include <cmath>

class QPainter;

namespace trevium {

class GraphCanvas;

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
    RenderContext(QPainter& p, const PlotView& v) : painter(p), view(v) {}

    QPainter& painter;
    const PlotView& view;
    GraphCanvas* canvas = nullptr; // lines and the graph; text and images go through the painter

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
};

QRgb rgbOf(quint32 ole);

// Axis layer: grid (when `withGrid`), ticks, labels, alarm line, frame and axes.
void drawAxisLayer(RenderContext& ctx, bool withGrid, bool withRest);
// Data and reference graph.
void drawGraph(RenderContext& ctx);
// Waterfall image and cross-hair into `rect` (edges, right/bottom exclusive).
void drawWaterfall(QPainter& painter, GraphCanvas& canvas, const PlotView& view, int left, int top, int right,
                   int bottom);

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
