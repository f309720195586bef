// SaveToPNG: renders off-screen at the requested size and writes an 8-bit RGB PNG with libpng.
#include "PngExport.h"
#include "Renderer.h"

#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <png.h>

namespace trevium {

namespace {

// Larger images are refused rather than risking an allocation that cannot succeed.
constexpr qint32 kMaxSide = 16384;

// Writes `image` (32-bit RGB) to the open file. libpng reports errors by long-jumping back to the
// setjmp below, so nothing with a destructor lives between setjmp and the end of the function.
qint32 writePng(FILE* file, const QImage& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return -4;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return -4;
    }
    const png_uint_32 width = png_uint_32(image.width());
    const png_uint_32 height = png_uint_32(image.height());
    auto* row = static_cast<png_bytep>(std::malloc(size_t(width) * 3));
    if (!row) {
        png_destroy_write_struct(&png, &info);
        return -5;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::free(row);
        return -6;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // A plot is mostly flat runs of a few colours: the Sub filter with the fastest deflate level encodes
    // it about three times faster than the adaptive filters at the default level, at a similar size.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    for (png_uint_32 y = 0; y < height; ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(int(y)));
        png_bytep out = row;
        for (png_uint_32 x = 0; x < width; ++x) {
            *out++ = png_byte(qRed(pixels[x]));
            *out++ = png_byte(qGreen(pixels[x]));
            *out++ = png_byte(qBlue(pixels[x]));
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::free(row);
    return 0;
}

} // namespace

qint32 savePlotPng(const PlotView& view, const QByteArray& utf8Filename, qint32 width, qint32 height,
                   RenderResult* result) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return -2;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return -2;
    image.fill(oleColor(view.backColor));
    {
        QPainter painter(&image);
        const RenderResult rendered = render(painter, QRect(0, 0, width, height), view);
        if (result)
            *result = rendered;
    }
    FILE* file = std::fopen(utf8Filename.constData(), "wb");
    if (!file)
        return -3;
    qint32 status = writePng(file, image);
    // Data still buffered when closing can fail to reach the disk: that is a failed write too.
    if (std::fclose(file) != 0 && status == 0)
        status = -6;
    return status;
}

} // namespace trevium
