// IAEA SPE, the ASCII layout of multichannel-analyser programs: "$KEY:" section lines, each followed by
// its values. Written: $SPEC_ID: (a title that also says "simulated detector" or "not trustworthy"
// where that applies), $SPEC_REM: (the scan's metadata as "Key: value" lines), $DATE_MEA:,
// $MEAS_TIM: (live and real time in seconds), $DATA: with the first and last channel and one count a
// line, and with an energy calibration $ENER_FIT: (offset and slope per channel, keV) and $MCA_CAL:
// (the number of coefficients, then the coefficients and their unit). Read: also several counts a line
// and the sections other programs add ($ROI:, $PRESETS:, $SHAPE_CAL: ...), which are skipped.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>

namespace spectrum::detail {

QByteArray writeSpe(const ScanRecord& record);

// Fills `out` from the text; returns why it is refused, or "" when it was read.
QString readSpe(const QString& text, ScanRecord& out);

} // namespace spectrum::detail
