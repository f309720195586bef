// Where the count window keeps every series it ends: a CSV file in the user's data folder, so no
// measured series is lost whatever happens to the files the user exports.
#pragma once

#include "AutomaticCopy.h"
#include "CountSeries.h"

#include <QString>

namespace countfiles {

// <user data folder>/KivoPanel/counts ($XDG_DATA_HOME/KivoPanel/counts).
QString folder();

// The file written, or why not: as for the automatic copy of a scan.
using Saved = spectrum::CopyResult;
// Writes `series` into folder() (a temporary file renamed into place), never over another series'
// file: series started in the same second get a number ("-2", "-3" ...).
Saved autoSave(const counting::Series& series);

} // namespace countfiles
