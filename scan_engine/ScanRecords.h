// A scan as a spectrum-file record: the channel layout (each plot point with its discriminator window)
// and what the engine knows of the scan it ran.
#pragma once

#include "ScanEngine.h"
#include "ScanRecord.h"

namespace scan {

// N + 1 points with the windows that measure them and zero counts: what a reference is placed on.
spectrum::ScanRecord channelLayout(qint32 channels, qint32 maxLevel);

// The engine's spectrum, windows, readings, sweeps, times and state (complete, aborted or still
// running at `now`), and the user's window. Device and settings are the caller's to add.
spectrum::ScanRecord recordOf(const ScanEngine& engine, qint32 maxLevel, const QDateTime& now);

} // namespace scan
