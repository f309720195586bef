#include "PeakModel.h"

#include <cmath>
#include <numbers>

namespace analysis {

namespace {

// Normal distribution: upper tail, density.
double upperTail(double z) {
    return 0.5 * std::erfc(z / std::numbers::sqrt2);
}
double density(double z) {
    return std::exp(-0.5 * z * z) * (0.5 * std::numbers::inv_sqrtpi * std::numbers::sqrt2);
}

} // namespace

PeakModel::PeakModel(bool slope, bool step, double origin, double halfWidth)
    : slope_(slope), step_(step), origin_(origin), halfWidth_(halfWidth > 0 ? halfWidth : 1.0) {}

void PeakModel::setParameters(const PeakParameters& p) {
    p_ = p;
    sigma_ = std::exp(p[LOG_SIGMA]);
}

WindowValue PeakModel::evaluate(double low, double high) const {
    WindowValue v;
    const PeakParameters& p = p_;
    const double area = p[AREA];
    const double sigma = sigma_;
    const double za = (low - p[CENTROID]) / sigma;
    const double zb = (high - p[CENTROID]) / sigma;
    const double pa = density(za);
    const double pb = density(zb);
    // Upper tails only: where they lose relative precision (far below the centroid), the peak's share
    // is negligible next to the background's.
    const double qa = upperTail(za);
    const double qb = upperTail(zb);
    const double share = qa - qb;

    v.peak = area * share;
    v.peakGradient[AREA] = share;
    v.peakGradient[CENTROID] = area * (pa - pb) / sigma;
    v.peakGradient[LOG_SIGMA] = area * (za * pa - zb * pb);

    const double width = high - low;
    v.background = p[LEVEL] * width;
    v.backgroundGradient[LEVEL] = width;
    if (slope_) {
        const double moment =
            ((high - origin_) * (high - origin_) - (low - origin_) * (low - origin_)) / (2.0 * halfWidth_);
        v.background += p[slopeIndex()] * moment;
        v.backgroundGradient[slopeIndex()] = moment;
    }
    if (step_) {
        // The step's density is height x upperTail(z); z x upperTail(z) - density(z) is its integral over z.
        const double integral = (zb * qb - pb) - (za * qa - pa);
        const double height = p[stepIndex()];
        v.background += height * sigma * integral;
        v.backgroundGradient[stepIndex()] = sigma * integral;
        v.backgroundGradient[CENTROID] = height * share;
        v.backgroundGradient[LOG_SIGMA] = height * sigma * (pa - pb);
    }
    return v;
}

} // namespace analysis
