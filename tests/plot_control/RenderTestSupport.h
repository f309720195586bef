// Helpers shared by the renderer and PNG tests: a plot view over owned data, rendering into an image.
#pragma once

#include "PlotView.h"
#include "Renderer.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>
#include <vector>

struct TestPlot {
    std::vector<qint32> data;
    std::vector<qint32> reference;
    trevium::PlotView view;

    explicit TestPlot(std::vector<qint32> values) : data(std::move(values)) {
        view.npoints = qint32(data.size());
        view.bufferLength = qint32(data.size());
        view.firstPoint = 0;
        view.lastPoint = qint32(data.size()) - 1;
        view.data = data.data();
    }
    void setReference(std::vector<qint32> values) {
        reference = std::move(values);
        view.reference = reference.data();
    }
    // Only the graph: no grid, axes, frame or ticks, so the plot fills the whole target.
    TestPlot& bare() {
        view.showGrid = view.showAxes = view.showFrame = view.showTicks = false;
        return *this;
    }
};

// A spectrum with a falling background, two peaks and Poisson noise (fixed seed).
inline std::vector<qint32> spectrum(int n, unsigned seed = 5) {
    std::mt19937 rng(seed);
    std::vector<qint32> v(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        const double x = double(i) / n;
        const double mean = 150 * std::exp(-3 * x) + 3000 * std::exp(-std::pow((x - 0.3) / 0.02, 2)) +
                            700 * std::exp(-std::pow((x - 0.7) / 0.03, 2));
        v[size_t(i)] = std::poisson_distribution<int>(mean)(rng);
    }
    return v;
}

inline QImage renderImage(const trevium::PlotView& view, QSize size, trevium::RenderResult* result = nullptr,
                          QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    image.fill(trevium::oleColor(view.backColor));
    QPainter painter(&image);
    const trevium::RenderResult r = trevium::render(painter, QRect(QPoint(0, 0), size), view);
    if (result)
        *result = r;
    return image;
}

// Renders into `target` inside a black image of `size`, so whatever is drawn outside the target shows.
inline QImage renderInto(const trevium::PlotView& view, QSize size, QRect target,
                         trevium::RenderResult* result = nullptr) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const trevium::RenderResult r = trevium::render(painter, target, view);
    painter.end();
    if (result)
        *result = r;
    return image;
}

inline QRgb rgbOfOle(quint32 ole) {
    return trevium::oleColor(ole).rgb();
}

// Rows of column x whose pixel differs from `background`: first and last, or (-1, -1).
inline QPair<int, int> columnExtent(const QImage& image, int x, QRgb background) {
    int lo = -1, hi = -1;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) != background) {
            if (lo < 0)
                lo = y;
            hi = y;
        }
    return {lo, hi};
}

// The smallest rectangle holding every pixel of `area` where the two images differ (null when none).
inline QRect differenceBox(const QImage& a, const QImage& b, QRect area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

inline int countColor(const QImage& image, QRgb color, QRect area = QRect()) {
    if (area.isNull())
        area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) == color;
    return n;
}
