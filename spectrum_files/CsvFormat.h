// CSV: "#" comment lines with the scan's metadata, a header row, then one row per channel: channel,
// LLD level, ULD level, LLD %, ULD %, counts. The reader also takes one column (counts), two (channel,
// counts), other column sets with a header naming the counts, and ";", tab or blank separators.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>

namespace spectrum::detail {

QByteArray writeCsv(const ScanRecord& record);

// Fills `out` from the text; returns why it is refused, or "" when it was read.
QString readCsv(const QString& text, ScanRecord& out);

} // namespace spectrum::detail
