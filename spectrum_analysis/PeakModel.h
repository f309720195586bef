// The count rate a point's window sees from one peak and the background under it: a Gaussian peak on
// a straight line plus a step that falls under the peak (a scintillator records more background below
// a photopeak than above it: photons that scattered in the crystal before they were absorbed). Every
// term is integrated over the window (differences of the normal distribution function), so windows of
// any width and overlap are modelled exactly and the fitted Gaussian width is the detector's own.
#pragma once

#include <array>

namespace analysis {

// Parameter positions; a model without slope or step leaves those out and moves the step forward.
enum PeakParameter { AREA = 0, CENTROID = 1, LOG_SIGMA = 2, LEVEL = 3 };
constexpr int MAX_PEAK_PARAMETERS = 6;
using PeakParameters = std::array<double, MAX_PEAK_PARAMETERS>;

// The model's value at one window and its derivatives with respect to every parameter.
struct WindowValue {
    double peak = 0;                     // rate from the Gaussian: area x the share of it inside the window
    double background = 0;               // rate from line and step
    PeakParameters peakGradient{};       // derivatives of `peak` (area, centroid, log sigma only)
    PeakParameters backgroundGradient{}; // derivatives of `background`
};

class PeakModel {
public:
    // The line is level + slope x (x - origin) / halfWidth, so its two parameters stay uncorrelated
    // and of the size of the rates.
    PeakModel(bool slope, bool step, double origin, double halfWidth);

    int parameterCount() const { return 4 + (slope_ ? 1 : 0) + (step_ ? 1 : 0); }
    bool hasSlope() const { return slope_; }
    bool hasStep() const { return step_; }
    int slopeIndex() const { return 4; }
    int stepIndex() const { return slope_ ? 5 : 4; }

    // Parameters: area (pulses per second in the whole peak), centroid (level), log of sigma (levels),
    // background level (pulses per second per level at the origin), then slope and step height (per
    // second per level) when the model has them.
    void setParameters(const PeakParameters& p);
    const PeakParameters& parameters() const { return p_; }
    double sigma() const { return sigma_; }
    // The model with those parameters in the window that passes amplitudes low <= a < high.
    WindowValue evaluate(double low, double high) const;

private:
    PeakParameters p_{};
    double sigma_ = 1;
    bool slope_;
    bool step_;
    double origin_;
    double halfWidth_;
};

} // namespace analysis
