// Where the count window keeps every series it ends: a CSV file in the user's data folder, so no
// measured series is lost whatever happens to the files the user exports.
#pragma once

#include "CountSeries.h"

#include <QString>

namespace countfiles {

// <user data folder>/KivoPanel/counts ($XDG_DATA_HOME/KivoPanel/counts).
QString folder();

struct Saved {
    QString path;  // the file written, or "" when it failed
    QString error; // why it failed, one sentence
};
// Writes `series` into folder() (a temporary file renamed into place), never over another series'
// file: series started in the same second get a number ("-2", "-3" ...).
Saved autoSave(const counting::Series& series);

} // namespace countfiles
