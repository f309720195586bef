// Raster target of the graph: everything the graph draws is reduced to vertical pixel spans, collected
// per pixel column and painted once per column. Coordinates are device pixels: with a painter on an
// image of device pixel ratio s, (x, y) is the pixel s * logical origin + (x, y), so a high-density
// screen gets the graph at its own resolution. Spans go straight into the bits of a QImage when the
// painter allows it (a scale of s plus an integer translation, no clipping, opaque 32-bit format),
// otherwise through QPainter::fillRect. Both back ends receive the same spans, so the pixels are equal.
// A recording canvas paints nothing: it appends the spans, in painting order, to a list.
#pragma once

#include <QRgb>
#include <QtGlobal>
#include <vector>

class QPainter;

namespace trevium {

struct Span {
    int x;
    int y0;
    int y1;
    QRgb color;
};

class GraphCanvas {
public:
    // `scale`: device pixels per logical pixel of the painter (1 keeps logical and device pixels equal).
    explicit GraphCanvas(QPainter& painter, qreal scale = 1.0);
    explicit GraphCanvas(std::vector<Span>& recorder);
    ~GraphCanvas();
    GraphCanvas(const GraphCanvas&) = delete;
    GraphCanvas& operator=(const GraphCanvas&) = delete;

    bool direct() const { return bits_ != nullptr; }

    // A vertical span of column x, rows y0..y1 inclusive (either order). Later spans cover earlier ones.
    void span(int x, int y0, int y1, QRgb color) {
        if (y1 < y0)
            qSwap(y0, y1);
        // The common case (a polyline continuing in the same column and colour) merges right here.
        if (pending_ > 0 && x == column_) {
            Pending& last = spans_[pending_ - 1];
            if (last.color == color && y0 <= last.y1 + 1 && y1 >= last.y0 - 1) {
                last.y0 = qMin(last.y0, y0);
                last.y1 = qMax(last.y1, y1);
                return;
            }
        }
        addSpan(x, y0, y1, color);
    }
    // A line including both end points, rasterised as one vertical span per column.
    void line(int x0, int y0, int x1, int y1, QRgb color) {
        forEachLineColumn(x0, y0, x1, y1, [&](int x, int ya, int yb) { span(x, ya, yb, color); });
    }
    // Paints what is still pending. Called by the destructor as well, and before any QPainter drawing.
    void flush();

    // The rectangle x0..x1, y0..y1 (inclusive, device pixels) painted at once, pending spans first.
    void fill(int x0, int y0, int x1, int y1, QRgb color);

    // Axis-aligned lines painted at once (pending spans first), both ends included. A dash pattern of
    // `on` painted and `off` skipped pixels starts at the first end; off = 0 draws a solid line.
    void hline(int x0, int x1, int y, QRgb color, int on = 1, int off = 0);
    void vline(int x, int y0, int y1, QRgb color, int on = 1, int off = 0);

    // The rows of the line (x0, y0)-(x1, y1) in column x0 + k, for k = 0..|x1 - x0|. Used by the
    // filled styles, which paint from the top of the edge down to the baseline.
    template <typename Fn> static void forEachLineColumn(int x0, int y0, int x1, int y1, Fn&& fn);

private:
    struct Pending {
        int y0;
        int y1;
        QRgb color;
    };
    void addSpan(int x, int y0, int y1, QRgb color);
    void paint(int x, int y0, int y1, QRgb color);
    void paintRow(int x0, int x1, int y, QRgb color);
    void fillDevice(int x, int y, int w, int h, QRgb color);

    QPainter* painter_ = nullptr;
    std::vector<Span>* recorder_ = nullptr;
    qreal scale_ = 1.0;
    uchar* bits_ = nullptr;
    qsizetype bytesPerLine_ = 0;
    int width_ = 0;
    int height_ = 0;
    int dx_ = 0;
    int dy_ = 0;

    static constexpr int MaxPending = 16;
    int column_ = 0;
    int pending_ = 0;
    Pending spans_[MaxPending];
};

template <typename Fn> void GraphCanvas::forEachLineColumn(int x0, int y0, int x1, int y1, Fn&& fn) {
    if (x1 < x0) {
        qSwap(x0, x1);
        qSwap(y0, y1);
    }
    const qint64 dx = qint64(x1) - x0;
    const qint64 dy = qint64(y1) - y0;
    const qint64 ady = dy < 0 ? -dy : dy;
    const int sy = dy < 0 ? -1 : 1;
    if (dx == 0) {
        fn(x0, qMin(y0, y1), qMax(y0, y1));
        return;
    }
    if (ady <= dx) {
        // x-major: one pixel per column, the row rounded to nearest (halves away from the start).
        for (qint64 k = 0; k <= dx; ++k) {
            const int y = y0 + sy * int((2 * k * ady + dx) / (2 * dx));
            fn(int(x0 + k), y, y);
        }
        return;
    }
    // y-major: step t along the rows; column k holds the rows whose rounded column is k.
    qint64 tStart = 0;
    for (qint64 k = 0; k <= dx; ++k) {
        qint64 tNext = k == dx ? ady + 1 : (ady * (2 * k + 1) + 2 * dx - 1) / (2 * dx);
        if (tNext > ady + 1)
            tNext = ady + 1;
        if (tNext > tStart) {
            const int ya = y0 + sy * int(tStart);
            const int yb = y0 + sy * int(tNext - 1);
            fn(int(x0 + k), qMin(ya, yb), qMax(ya, yb));
        }
        tStart = tNext;
    }
}

} // namespace trevium
