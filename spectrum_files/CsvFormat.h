// CSV: "#" comment lines with the scan's metadata, a header row, then one row per channel: channel,
// LLD level, ULD level, LLD %, ULD %, with an energy calibration "Energy (keV)" (of the window's
// centre), and counts, always last. The reader also takes one column (counts), two (channel, counts),
// three (channel, energy, counts, as other programs write them without a header), other column sets
// with a header naming the counts (and the energy), ",", ";", tab or blank separators, quoted fields,
// decimal commas and thousands separators where the file shows which separator is the decimal one.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>

namespace spectrum::detail {

QByteArray writeCsv(const ScanRecord& record);

// Fills `out` from the text; returns why it is refused, or "" when it was read.
QString readCsv(const QString& text, ScanRecord& out);

} // namespace spectrum::detail
