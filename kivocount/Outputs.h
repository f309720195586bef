// Writing a finished (or stopped) series to the files asked for, each atomically, and keeping the series
// in the user's data folder when one of them could not be written, so nothing measured is lost.
#pragma once

#include "CountSeries.h"
#include "Options.h"

#include <QString>

namespace kivocount {

// Writes `series` as `output` asks; "" when done, else the sentence naming the file.
QString writeOutput(const Output& output, const counting::Series& series);

// <user data folder>/KivoPanel/counts ($XDG_DATA_HOME/KivoPanel/counts).
QString keptSeriesFolder();
// Writes the series CSV there, never over another one; the path written, or "" with `error` set.
QString keepSeries(const counting::Series& series, QString* error);

} // namespace kivocount
