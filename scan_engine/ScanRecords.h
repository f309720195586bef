// A scan as a spectrum-file record: the channel layout (each plot point with its discriminator window)
// and what the engine knows of the scan it ran.
#pragma once

#include "ScanEngine.h"
#include "ScanRecord.h"

namespace scan {

// N + 1 points with the windows that measure them and zero counts: what a reference is placed on.
spectrum::ScanRecord channelLayout(qint32 channels, qint32 maxLevel);

// The engine's spectrum as its recorder knows it (windows, readings, sweeps, times, state: complete,
// aborted or still running at `now`, and the unit), with the user's window the scan restores. Before
// any reading the layout is the engine's channels over `maxLevel`. The program is the caller's to add.
spectrum::ScanRecord recordOf(const ScanEngine& engine, qint32 maxLevel, const QDateTime& now);

} // namespace scan
