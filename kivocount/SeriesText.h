// A series in plain words for the terminal: one line per measurement as it finishes, and the series'
// statistics, verdict and plateau at the end. Numbers are locale-neutral; an uncertainty is always the
// one the readings' scatter gives.
#pragma once

#include "CountSeries.h"

#include <QString>
#include <QStringList>

namespace kivocount {

// "measurement 3 of 20: 4712.3 +/- 10.8 cps, dispersion 1.02 (40 readings, 10.0 s)"; a plateau step
// names its HV, a subtracted background adds the net rate, a measurement cut short says so.
QString measurementLine(const counting::Series& series, int index, int planned);
// The closing lines: the series statistics and verdict, or the plateau found and the operating point.
QStringList summaryLines(const counting::Series& series);

} // namespace kivocount
