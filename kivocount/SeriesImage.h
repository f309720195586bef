// A series as a picture: the rate of each measurement with its standard error; a plateau's rate against
// HV with the plateau shaded and the operating point marked. Drawn with QPainter (a QGuiApplication
// must exist for the text); numbers locale-neutral.
#pragma once

#include "CountSeries.h"

#include <QImage>

namespace kivocount {

constexpr int IMAGE_WIDTH = 1000;
constexpr int IMAGE_HEIGHT = 600;

QImage seriesImage(const counting::Series& series);

} // namespace kivocount
