// The window's picture of the plot, kept from one paint to the next. What changes only with the layout
// (background, grid, frame, axes, ticks and their labels, alarm line, axis titles) is drawn into two
// layers, again only when something it depends on changes. Each paint draws the graph as spans per
// device column, compares them with the previous paint's and writes only the pixels that differ; ROI
// labels, cursor and zoom box are taken away and drawn anew. The picture equals render() into an image
// filled with BackColor, pixel for pixel.
#pragma once

#include "PlotView.h"
#include "TreviumExport.h"

#include <QImage>
#include <QSize>
#include <memory>

namespace trevium {

class TREVIUM_EXPORT PlotImageCache {
public:
    PlotImageCache();
    ~PlotImageCache();
    PlotImageCache(const PlotImageCache&) = delete;
    PlotImageCache& operator=(const PlotImageCache&) = delete;

    // The plot of `view` at `size` logical pixels, `ratio` device pixels per logical pixel (the image
    // carries that ratio). The reference stays valid until the next call.
    const QImage& render(const PlotView& view, QSize size, qreal ratio, RenderResult* result = nullptr);

private:
    struct Layers;
    std::unique_ptr<Layers> d_;
};

} // namespace trevium
