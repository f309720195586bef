// Where peaks may be: a smoothed second difference of the count rates (a zero-sum kernel shaped like
// a Gaussian's negative second derivative, blind to a straight background), in units of its own
// counting uncertainty, at widths from one point up to about a twelfth of the spectrum. Wide widths run on
// the spectrum halved again and again, so the cost stays proportional to the number of points.
#pragma once

#include "SpectrumPoints.h"

namespace analysis {

struct Candidate {
    double centroid = 0;      // level
    double apparentSigma = 0; // sigma of the peak as the points show it, levels
    double score = 0;         // filter response in units of its uncertainty
};

// Local maxima of the filter's response at or above `minScore`, one per peak (the width where it
// responds most), in order of centroid.
QList<Candidate> searchCandidates(const QList<SpectrumPoint>& points, double minScore);

} // namespace analysis
