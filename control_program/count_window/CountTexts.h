// How the count window reads its boxes and writes its numbers: plain numbers with the user's decimal
// separator (as the main window's readouts), an empty text for a value that could not be determined.
#pragma once

#include "CountSeries.h"
#include "HvPlateau.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace counttext {

// A box's number, typed with the user's decimal separator or with "."; nullopt when it is none.
std::optional<double> number(const QString& text);
// `value` with `decimals` decimals; "" when it is NO_VALUE.
QString value(double value, int decimals);

// The measurement table: its column titles and one measurement's row (`index` 0-based).
QStringList columnTitles();
QStringList measurementRow(int index, const counting::Measurement& m);

// The series statistics in a few lines (a plateau's are its plateau() instead).
QString statistics(const counting::Series& series);
// The plateau found, or why none was.
QString plateau(const counting::PlateauResult& result, int points);
// How a series ended, for the status bar.
QString endText(counting::SeriesEnd how);

} // namespace counttext
