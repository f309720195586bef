#include "PlotImageCache.h"

#include "GraphCanvas.h"
#include "RenderContext.h"
#include "Renderer.h"

#include <QPainter>
#include <QVarLengthArray>
#include <cstring>
#include <vector>

namespace trevium {

namespace {

struct Segment {
    int y0;
    int y1;
    QRgb color;
};

// The graph as it lands in the image: per device column, disjoint segments ordered by row.
struct ColumnSegments {
    std::vector<int> start; // column x holds segments[start[x] .. start[x + 1])
    std::vector<Segment> segments;

    const Segment* begin(int x) const { return segments.data() + start[size_t(x)]; }
    const Segment* end(int x) const { return segments.data() + start[size_t(x) + 1]; }
};

// Where spans of one column overlap, the later one is what the image shows: carve each span, newest
// first, out of what is already covered. `covered` and `next` are scratch space kept between calls.
void resolveColumn(const Span* const* spans, int count, int height, std::vector<Segment>& out,
                   std::vector<Segment>& covered, std::vector<Segment>& next) {
    if (count == 1) {
        const int a = qMax(spans[0]->y0, 0);
        const int b = qMin(spans[0]->y1, height - 1);
        if (a <= b)
            out.push_back(Segment{a, b, spans[0]->color});
        return;
    }
    covered.clear();
    for (int i = count - 1; i >= 0; --i) {
        const int a = qMax(spans[i]->y0, 0);
        const int b = qMin(spans[i]->y1, height - 1);
        if (a > b)
            continue;
        next.clear();
        int row = a; // first row of [a, b] not yet given out
        for (const Segment& s : covered) {
            if (row <= b && s.y0 > row) {
                const int to = qMin(b, s.y0 - 1);
                next.push_back(Segment{row, to, spans[i]->color});
                row = to + 1;
            }
            next.push_back(s);
            if (s.y1 >= row)
                row = s.y1 + 1;
        }
        if (row <= b)
            next.push_back(Segment{row, b, spans[i]->color});
        std::swap(covered, next);
    }
    const size_t first = out.size();
    for (const Segment& s : covered) {
        if (out.size() > first && out.back().color == s.color && out.back().y1 + 1 == s.y0)
            out.back().y1 = s.y1;
        else
            out.push_back(s);
    }
}

// Vertical runs of the pixels of a layer that matter (not transparent, not BackColor), per column, so
// a changed graph pixel restores its layers without reading them.
struct ColumnRuns {
    std::vector<int> start;
    std::vector<std::pair<int, int>> runs; // first and last row

    void build(const QImage& image, QRgb ignored) {
        const int width = image.width();
        const int height = image.height();
        std::vector<int> open(size_t(width), -1);
        std::vector<std::pair<int, std::pair<int, int>>> found; // column, run
        for (int y = 0; y <= height; ++y) {
            const auto* row = y < height ? reinterpret_cast<const QRgb*>(image.constScanLine(y)) : nullptr;
            for (int x = 0; x < width; ++x) {
                const bool on = row && row[x] != ignored;
                if (on && open[size_t(x)] < 0) {
                    open[size_t(x)] = y;
                } else if (!on && open[size_t(x)] >= 0) {
                    found.push_back({x, {open[size_t(x)], y - 1}});
                    open[size_t(x)] = -1;
                }
            }
        }
        start.assign(size_t(width) + 1, 0);
        for (const auto& f : found)
            ++start[size_t(f.first) + 1];
        for (int x = 0; x < width; ++x)
            start[size_t(x) + 1] += start[size_t(x)];
        runs.resize(found.size());
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (const auto& f : found) // found is ordered by the run's last row, so each column's by row too
            runs[size_t(fill[size_t(f.first)]++)] = f.second;
    }
};

void resolve(const std::vector<Span>& spans, int width, int height, ColumnSegments& out,
             std::vector<Segment>& covered, std::vector<Segment>& next) {
    out.start.assign(size_t(width) + 1, 0);
    out.segments.clear();
    // Counting sort by column, keeping the painting order within a column.
    std::vector<int> counts(size_t(width) + 1, 0);
    for (const Span& s : spans)
        if (s.x >= 0 && s.x < width)
            ++counts[size_t(s.x) + 1];
    for (int x = 0; x < width; ++x)
        counts[size_t(x) + 1] += counts[size_t(x)];
    std::vector<const Span*> ordered(size_t(counts[size_t(width)]));
    std::vector<int> fill(counts.begin(), counts.end() - 1);
    for (const Span& s : spans)
        if (s.x >= 0 && s.x < width)
            ordered[size_t(fill[size_t(s.x)]++)] = &s;
    for (int x = 0; x < width; ++x) {
        out.start[size_t(x)] = int(out.segments.size());
        resolveColumn(ordered.data() + counts[size_t(x)], counts[size_t(x) + 1] - counts[size_t(x)], height,
                      out.segments, covered, next);
    }
    out.start[size_t(width)] = int(out.segments.size());
}

// Everything the two layers depend on. Two drawings with equal keys have equal layers.
struct LayerKey {
    QSize size;
    qreal ratio = 0;
    QRect plotRect;
    quint32 back = 0, grid = 0, axis = 0, label = 0, alarm = 0;
    qint64 fullScale = 0;
    qint32 first = 0, last = 0, alarmLevel = 0, heightRatio = 0;
    qint16 ymode = 0;
    bool hasData = false, showGrid = false, showAxes = false, showFrame = false, showTicks = false,
         showAlarm = false, showLabels = false, gridOnTop = false;
    bool calEnable = false;
    float calOffset = 0, calSlope = 0, calQuadratic = 0;
    QString xLabel, yLabel;

    bool operator==(const LayerKey&) const = default;
};

LayerKey keyOf(const RenderContext& ctx, const RenderResult& r, QSize size, qreal ratio) {
    const PlotView& v = ctx.view;
    LayerKey k;
    k.size = size;
    k.ratio = ratio;
    k.plotRect = r.plotRect;
    k.back = v.backColor;
    k.grid = v.gridColor;
    k.axis = v.axisColor;
    k.label = v.labelColor;
    k.alarm = v.alarmColor;
    k.fullScale = ctx.fullScale;
    k.first = ctx.first;
    k.last = ctx.last;
    k.alarmLevel = v.alarmLevel;
    k.heightRatio = v.wfHeightRatio;
    k.ymode = v.ymode;
    k.hasData = ctx.hasData;
    k.showGrid = v.showGrid;
    k.showAxes = v.showAxes;
    k.showFrame = v.showFrame;
    k.showTicks = v.showTicks;
    k.showAlarm = v.showAlarm;
    k.showLabels = v.showLabels;
    k.gridOnTop = v.gridOnTop;
    k.calEnable = v.calEnable;
    k.calOffset = v.calOffset;
    k.calSlope = v.calSlope;
    k.calQuadratic = v.calQuadratic;
    k.xLabel = v.xLabel;
    k.yLabel = v.yLabel;
    return k;
}

} // namespace

struct PlotImageCache::Layers {
    QImage target;     // what the window shows
    QImage background; // BackColor and the grid under the graph
    QImage overlay;    // frame, axes, ticks, labels, alarm line, titles; transparent elsewhere
    LayerKey key;
    bool valid = false;
    ColumnSegments graph; // the graph as it is in `target`
    ColumnSegments next;  // the graph being drawn
    QList<QRect> marks;   // ROI labels, cursor and zoom box in `target`
    std::vector<Span> spans; // the graph's spans in painting order
    std::vector<Segment> covered, carved;
    ColumnRuns backgroundRuns; // what is not BackColor in `background`
    ColumnRuns overlayRuns;    // what is not transparent in `overlay`
    QRgb back = 0;

    uchar* t = nullptr;
    const uchar* b = nullptr;
    const uchar* o = nullptr;
    qsizetype bpl = 0;

    QRgb* targetAt(int x, int y) const { return reinterpret_cast<QRgb*>(t + y * bpl) + x; }
    QRgb backgroundAt(int x, int y) const { return reinterpret_cast<const QRgb*>(b + y * bpl)[x]; }
    QRgb overlayAt(int x, int y) const { return reinterpret_cast<const QRgb*>(o + y * bpl)[x]; }

    // Copies the rows of `runs` in column x that lie in y0..y1 from `layer` into the target.
    void copyRuns(const ColumnRuns& runs, const uchar* layer, int x, int y0, int y1) {
        const auto* r = runs.runs.data();
        for (int i = runs.start[size_t(x)]; i < runs.start[size_t(x) + 1] && r[i].first <= y1; ++i) {
            const int from = qMax(y0, r[i].first);
            const int to = qMin(y1, r[i].second);
            for (int y = from; y <= to; ++y)
                *targetAt(x, y) = reinterpret_cast<const QRgb*>(layer + y * bpl)[x];
        }
    }

    // Rows y0..y1 of column x take `color`, or the background when `color` is 0; the overlay stays on top.
    void writeRows(int x, int y0, int y1, QRgb color) {
        QRgb* p = targetAt(x, y0);
        const QRgb c = color ? color : back;
        const qsizetype step = bpl / qsizetype(sizeof(QRgb));
        for (int y = y0; y <= y1; ++y, p += step)
            *p = c;
        if (!color)
            copyRuns(backgroundRuns, b, x, y0, y1);
        copyRuns(overlayRuns, o, x, y0, y1);
    }

    // Column x goes from the segments `was` to `now`, touching only the rows that change.
    void update(int x, const Segment* was, const Segment* wasEnd, const Segment* now, const Segment* nowEnd) {
        const Segment* a = was;
        for (const Segment* s = now; s != nowEnd; ++s) {
            const QRgb color = s->color | 0xFF000000u;
            int row = s->y0;
            while (row <= s->y1) {
                while (a != wasEnd && a->y1 < row)
                    ++a;
                if (a != wasEnd && a->y0 <= row) {
                    const int to = qMin(s->y1, a->y1);
                    if (a->color != s->color)
                        writeRows(x, row, to, color);
                    row = to + 1;
                } else {
                    const int to = a != wasEnd ? qMin(s->y1, a->y0 - 1) : s->y1;
                    writeRows(x, row, to, color);
                    row = to + 1;
                }
            }
        }
        const Segment* c = now;
        for (const Segment* s = was; s != wasEnd; ++s) {
            int row = s->y0;
            while (row <= s->y1) {
                while (c != nowEnd && c->y1 < row)
                    ++c;
                if (c != nowEnd && c->y0 <= row) {
                    row = qMin(s->y1, c->y1) + 1;
                } else {
                    const int to = c != nowEnd ? qMin(s->y1, c->y0 - 1) : s->y1;
                    writeRows(x, row, to, 0);
                    row = to + 1;
                }
            }
        }
    }

    // The rectangle drawn again from the layers and `graph`: takes away labels, cursor and zoom box.
    void recompose(QRect r) {
        r &= target.rect();
        if (r.isEmpty())
            return;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(targetAt(r.left(), y), &reinterpret_cast<const QRgb*>(b + y * bpl)[r.left()],
                        size_t(r.width()) * sizeof(QRgb));
        for (int x = r.left(); x <= r.right(); ++x)
            for (const Segment* s = graph.begin(x); s != graph.end(x); ++s) {
                const int y0 = qMax(s->y0, r.top());
                const int y1 = qMin(s->y1, r.bottom());
                for (int y = y0; y <= y1; ++y)
                    *targetAt(x, y) = s->color | 0xFF000000u;
            }
        overlayOnto(r);
    }

    void overlayOnto(QRect r) {
        r &= target.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (const QRgb over = overlayAt(x, y))
                    *targetAt(x, y) = over;
    }

    void composeAll() {
        std::memcpy(t, b, size_t(bpl) * size_t(target.height()));
        for (int x = 0; x < target.width(); ++x) {
            for (const Segment* s = graph.begin(x); s != graph.end(x); ++s)
                for (int y = s->y0; y <= s->y1; ++y)
                    *targetAt(x, y) = s->color | 0xFF000000u;
            copyRuns(overlayRuns, o, x, 0, target.height() - 1);
        }
    }

    void drawLayers(const PlotView& view, QSize size, qreal ratio) {
        const QRect rect(QPoint(0, 0), size);
        background = QImage(target.size(), QImage::Format_RGB32);
        background.setDevicePixelRatio(ratio);
        background.fill(oleColor(view.backColor));
        overlay = QImage(target.size(), QImage::Format_ARGB32_Premultiplied);
        overlay.setDevicePixelRatio(ratio);
        overlay.fill(0);
        for (QImage* layer : {&background, &overlay}) {
            QPainter painter(layer);
            CanvasContext c(painter, view, ratio);
            layOut(c.ctx, rect, false);
            if (layer == &background)
                drawUnderLayer(c.ctx);
            else
                drawOverLayer(c.ctx);
        }
        back = oleColor(view.backColor).rgb() | 0xFF000000u;
        backgroundRuns.build(background, back);
        overlayRuns.build(overlay, 0);
    }
};

PlotImageCache::PlotImageCache() : d_(std::make_unique<Layers>()) {}

PlotImageCache::~PlotImageCache() = default;

const QImage& PlotImageCache::render(const PlotView& view, QSize size, qreal ratio, RenderResult* result) {
    Layers& L = *d_;
    if (!(ratio >= 1.0 && ratio <= 16.0))
        ratio = 1.0;
    size = size.expandedTo(QSize(1, 1));
    const QSize device(qMax(1, qRound(size.width() * ratio)), qMax(1, qRound(size.height() * ratio)));
    if (L.target.size() != device || L.target.devicePixelRatio() != ratio) {
        L.target = QImage(device, QImage::Format_RGB32);
        L.target.setDevicePixelRatio(ratio);
        L.valid = false;
    }
    const QRect rect(QPoint(0, 0), size);

    // The waterfall changes with every Slide and lies under the grid: such a plot is drawn whole.
    if (view.showWaterfall && view.wfHeightRatio > 0) {
        L.valid = false;
        L.target.fill(oleColor(view.backColor));
        QPainter painter(&L.target);
        const RenderResult r = trevium::render(painter, rect, view);
        if (result)
            *result = r;
        return L.target;
    }

    QPainter painter(&L.target);
    CanvasContext c(painter, view, ratio);
    RenderContext& ctx = c.ctx;
    GraphCanvas& canvas = c.canvas;
    const RenderResult r = layOut(ctx, rect, false);
    if (result)
        *result = r;

    const LayerKey key = keyOf(ctx, r, size, ratio);
    const bool whole = !L.valid || !(key == L.key);
    if (whole) {
        L.drawLayers(view, size, ratio);
        L.key = key;
        L.valid = true;
    }
    L.t = L.target.bits();
    L.b = L.background.constBits();
    L.o = L.overlay.constBits();
    L.bpl = L.target.bytesPerLine();

    // The graph, as spans per column.
    L.spans.clear();
    {
        GraphCanvas recorder(L.spans);
        ctx.canvas = &recorder;
        drawGraphPhase(ctx);
        recorder.flush();
        ctx.canvas = &canvas;
    }
    ColumnSegments& now = L.next;
    resolve(L.spans, device.width(), device.height(), now, L.covered, L.carved);

    if (whole) {
        std::swap(L.graph, now);
        L.composeAll();
    } else {
        for (const QRect& mark : std::as_const(L.marks))
            L.recompose(mark);
        for (int x = 0; x < device.width(); ++x)
            if (L.graph.begin(x) != L.graph.end(x) || now.begin(x) != now.end(x))
                L.update(x, L.graph.begin(x), L.graph.end(x), now.begin(x), now.end(x));
        std::swap(L.graph, now);
    }

    // ROI labels lie under the overlay; cursor and zoom box on top of everything.
    L.marks.clear();
    drawRoiLabelsPhase(ctx, &L.marks);
    for (const QRect& label : std::as_const(L.marks))
        L.overlayOnto(label);
    ctx.marks = &L.marks;
    drawMarksPhase(ctx);
    canvas.flush();
    return L.target;
}

} // namespace trevium
