// The analysis of a scan record: its photopeaks found without user input, or one region the user
// chose. Counts are analysed as rates (counts per summed one-second reading, Poisson), so points
// measured a different number of times (a stopped scan) fit together. Fits use GSL, whose error handler
// is switched off for the process at the first fit: its errors come back as status codes.
#pragma once

#include "Peak.h"
#include "ScanRecord.h"

namespace analysis {

struct SearchOptions {
    // A found peak's net area must stand this many of its sigmas above the background. At 5 counting
    // noise gives no false peaks, also at one sweep.
    double threshold = 5.0;
};

// The peaks of `record` above the continuum: each candidate of the search is fitted, and kept when its
// area is significant, it is no edge of the continuum (a step much larger than the peak) and it is
// wider than the spacing of the points. Energies are filled when the record has a calibration.
Analysis findPeaks(const spectrum::ScanRecord& record, const SearchOptions& options = {});

// The one peak in points firstPoint..lastPoint (record indices, inclusive, either order), fitted over
// exactly that region; a moment estimate when the fit fails or the region has fewer than five measured
// points. Analysis::message says why there is no peak.
Analysis analyseRegion(const spectrum::ScanRecord& record, qint32 firstPoint, qint32 lastPoint);

} // namespace analysis
