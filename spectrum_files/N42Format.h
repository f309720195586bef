// ANSI N42.42-2012 XML: one instrument, one detector, one energy calibration, one measurement with one
// spectrum, valid against the published schema alone. Each detail of the scan sits in the standard
// element made for it: the device in RadInstrumentInformation, the times in the measurement and the
// spectrum, the scan's state in RadInstrumentState (its mode description, a Fault per failed device
// call), the remarks in Remark. What the standard has no element for (the channels' windows, the
// readings, the sweeps, the unit's settings) travels as named characteristics of the instrument's
// state, in a group the reader knows as ours. The reader also takes what other programs write: several
// measurements, spectra and detectors, calibrations, counted-zeroes compression, the 2006 element
// names, and the files of the program's previous version, which carried the scan in an extension
// element of their own namespace.
#pragma once

#include "ScanRecord.h"

#include <QByteArray>
#include <QString>

namespace spectrum::detail {

QByteArray writeN42(const ScanRecord& record);

// Fills `out` from the document; returns why it is refused, or "" when it was read.
QString readN42(const QByteArray& data, ScanRecord& out);

// The namespace of the extension element in which the previous version wrote the scan's values.
inline constexpr char SCAN_NAMESPACE[] = "urn:kivopanel:pseudo-pha-scan:1";

} // namespace spectrum::detail
