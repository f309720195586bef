// Program-wide state shared by the main window, the scan window and the report.
#pragma once

#include "ScanRecorder.h"

#include <QString>
#include <QtGlobal>

#include <array>

namespace globals {

// Connection state, owned by the main window.
inline qint32 hSCA = 0;            // handle from OpenSCA; 0 = not connected
inline bool isVR = false;          // the Kivo-VR variant with the analogue output
inline bool fwExtRanges = false;   // firmware 1.2 or later: long CPS range list, settable response time
inline bool fwTTLDuration = false; // firmware with adjustable TTL pulse duration
inline qint32 maxLevel = 2047;     // highest discriminator level
inline bool levelCountKnown = false; // the unit told its level count (maxLevel is not just the default)
inline bool simulatedUnit = false;   // the device library is the simulated detector, not a real unit
inline QString productName;
inline QString serialNumber;
inline QString fwVersion;
inline QString productionDate;

// Scan state, owned by the scan window.
inline bool scanRunning = false;
constexpr int SCAN_COUNTS_SIZE = 513;
inline std::array<qint32, SCAN_COUNTS_SIZE> scanCounts{}; // channel sums, kept for the program's life
static_assert(SCAN_COUNTS_SIZE == scan::COUNTS_SIZE);
// What the counts are (layout, readings, sweeps, times, unit), kept beside them.
inline scan::ScanRecorder scanRecorder;

// Count state, owned by the count window: a count or plateau is running. A count and a scan exclude
// each other; both take the unit's readings (and a plateau its high voltage) for the whole run.
inline bool countRunning = false;

} // namespace globals
