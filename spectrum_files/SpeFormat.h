// IAEA SPE, the ASCII layout of multichannel-analyser programs: "$KEY:" section lines, each followed by
// its values. Written: $SPEC_ID:, $SPEC_REM: (the scan's metadata as "Key: value" lines), $DATE_MEA:,
// $MEAS_TIM: and $DATA: with the first and last channel and one count a line. Read: also several
// counts a line and the sections other programs add ($ROI:, $PRESETS:, $ENER_FIT:, $MCA_CAL: ...),
// which are skipped.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>

namespace spectrum::detail {

QByteArray writeSpe(const ScanRecord& record);

// Fills `out` from the text; returns why it is refused, or "" when it was read.
QString readSpe(const QString& text, ScanRecord& out);

} // namespace spectrum::detail
