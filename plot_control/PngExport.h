// SaveToPNG: render off-screen at a chosen size and write an 8-bit RGB PNG with libpng.
#pragma once

#include "PlotView.h"

namespace trevium {

// Status codes: 0 written; -2 size below 1 or too large to allocate; -3 file did not open;
// -4 libpng structures not created; -5 no row buffer; -6 libpng error while writing.
// `utf8Filename` is the file name in UTF-8. `result` (optional) receives the renderer's result.
qint32 savePlotPng(const PlotView& view, const QByteArray& utf8Filename, qint32 width, qint32 height,
                   RenderResult* result = nullptr);

} // namespace trevium
