// Draws a complete plot into any painter and rectangle. Independent of the widget.
#pragma once

#include "PlotView.h"

class QPainter;
class QColor;

namespace trevium {

// Renders `view` into `rect` of `painter`. The background is not filled (callers do that).
RenderResult render(QPainter& painter, const QRect& rect, const PlotView& view);

// Translates an OLE_COLOR (0x00BBGGRR, or 0x80 system colour index) to a QColor.
QColor oleColor(quint32 ole);

// The full scale for a data maximum: the first table entry >= |yscale| when yscale is set, else the
// first entry that leaves `labelRoom` pixels above the maximum in a plot `plotHeight` pixels high;
// the magnitude of the maximum when no entry qualifies.
qint32 chooseFullScale(qint64 maxValue, qint32 yscale, int labelRoom, int plotHeight);

} // namespace trevium
