// ANSI N42.42-2012 XML: one instrument, one detector, one measurement with one spectrum. The scan's own
// values (windows, readings, settings) travel in a measurement extension in the program's namespace,
// which other programs skip. The reader also takes what other programs write: several measurements,
// spectra and detectors, calibrations, counted-zeroes compression and the 2006 element names.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>

namespace spectrum::detail {

QByteArray writeN42(const ScanRecord& record);

// Fills `out` from the document; returns why it is refused, or "" when it was read.
QString readN42(const QByteArray& data, ScanRecord& out);

// The namespace of the scan's extension element.
inline constexpr char SCAN_NAMESPACE[] = "urn:kivopanel:pseudo-pha-scan:1";

} // namespace spectrum::detail
