// A series as JSON for --json: the plan, each measurement, and the statistics or the plateau found, in
// the units the names say. A value that could not be determined is null.
#pragma once

#include "CountSeries.h"

#include <QJsonObject>

namespace kivocount {

QJsonObject seriesJson(const counting::Series& series);

} // namespace kivocount
