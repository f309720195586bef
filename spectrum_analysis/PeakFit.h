// One peak in a run of points: the least-squares fit of peak and background, and the moment estimate
// that stands in when the fit fails or the run is too short for it.
#pragma once

#include "Peak.h"
#include "PeakModel.h"
#include "SpectrumPoints.h"

#include <optional>

namespace analysis {

// Where a fit starts: the peak's centroid and its own sigma (windows' width removed), in levels.
struct PeakGuess {
    double centroid = 0;
    double sigma = 0;
};

class PeakFit {
public:
    // Fits peak and background to `range`: a straight background, and with `step` a step under the
    // peak too (when the range has the eight points that needs). Nothing when the fit does not converge
    // to a peak inside the range with a usable covariance.
    static std::optional<PeakFit> fit(const QList<SpectrumPoint>& points, PointRange range,
                                      const PeakGuess& guess, bool step = true);

    double centroid() const { return model_.parameters()[CENTROID]; }
    double sigma() const { return model_.sigma(); }
    double chiSquare() const { return chiSquare_; }
    double chiSquarePerDof() const { return chiSquarePerDof_; }
    // The background's step under the peak relative to the peak's height (both per level), 0 without a
    // step: large for an edge of the continuum that the fit took for a peak.
    double stepToHeight() const;
    // The figures of the fitted peak with its areas summed over `areaRange`.
    Peak peak(const SpectrumPoints& spectrum, PointRange areaRange) const;

private:
    PeakFit(const PeakModel& model) : model_(model) {}

    PeakModel model_; // with the fitted parameters
    std::array<double, MAX_PEAK_PARAMETERS * MAX_PEAK_PARAMETERS> covariance_{};
    double chiSquare_ = 0;
    double chiSquarePerDof_ = 0;
};

// Moments of the points in `range` above a straight background through the rates at its two ends:
// centroid, width (the windows' width removed), areas. Nothing when no counts stand above that line.
// `stepToHeight`, when given, receives the fall of that line across the range relative to the peak's
// height (both per level), as PeakFit::stepToHeight.
std::optional<Peak> momentEstimate(const SpectrumPoints& spectrum, PointRange range,
                                   double* stepToHeight = nullptr);

// Percent of full scale, resolution and the FWHMs of a peak from its centroid and sigmas.
void setWidths(Peak& peak, double fullScaleLevel, double sigma, double sigmaError, double meanWindowWidth);

} // namespace analysis
