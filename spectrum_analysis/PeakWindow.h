// "Set Window on Peak": the SCA window that takes in a peak, centroid -/+ k x FWHM.
#pragma once

#include "Peak.h"

#include <optional>

namespace analysis {

// k that takes in +/- 1.25 FWHM: about 99.8 % of a Gaussian peak, little of its neighbours.
constexpr double DEFAULT_WINDOW_FWHMS = 1.25;

struct PeakWindow {
    qint32 lld = 0;
    qint32 uld = 0;
    bool integralMode = false; // always off: the window is the peak
    bool operator==(const PeakWindow&) const = default;
};

// LLD = centroid - k x FWHM and ULD = centroid + k x FWHM, rounded to levels (halves to even) and held
// within 0..maxLevel. Nothing when the peak has no finite centroid and FWHM, k is not positive or
// maxLevel is below 1.
std::optional<PeakWindow> windowOnPeak(const Peak& peak, qint32 maxLevel, double k = DEFAULT_WINDOW_FWHMS);

} // namespace analysis
