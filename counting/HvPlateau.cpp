#include "HvPlateau.h"

#include <gsl/gsl_fit.h>
#include <gsl/gsl_statistics_double.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace counting {

namespace {

// Voltages closer than this are the same voltage (far below one count of the unit's setting).
constexpr double SAME_VOLTS = 1e-6;
// Half the width of the window a step's local slope is fitted over: the threshold is per 100 V.
constexpr double LOCAL_HALF_WIDTH_VOLTS = 50;
constexpr int MIN_PLATEAU_STEPS = 3;

// Least-squares straight line through points [lo, hi] (gsl_fit_linear: the plain fit, as every step is
// measured alike); its slope in percent of the mean rate over those points per 100 V.
double relativeSlope(const std::vector<double>& volts, const std::vector<double>& rates, size_t lo,
                     size_t hi) {
    const size_t n = hi - lo + 1;
    double c0 = 0, c1 = 0, cov00 = 0, cov01 = 0, cov11 = 0, sumsq = 0;
    gsl_fit_linear(&volts[lo], 1, &rates[lo], 1, n, &c0, &c1, &cov00, &cov01, &cov11, &sumsq);
    const double mean = gsl_stats_mean(&rates[lo], 1, n);
    if (!(mean > 0) || !std::isfinite(c1))
        return NO_VALUE; // no rate is no plateau
    return c1 * 100.0 / mean * 100.0;
}

} // namespace

QString checkHighVoltage(double volts, const QString& what) {
    if (std::isfinite(volts) && volts >= 0 && volts <= MAX_HV_VOLTS)
        return {};
    return what + u" must be from 0 to "_qs + QString::number(MAX_HV_VOLTS) + u" V."_qs;
}

QString checkPlateauPlan(const PlateauPlan& plan) {
    for (const auto& [volts, what] :
         {std::pair{plan.startVolts, "The start voltage"}, std::pair{plan.stopVolts, "The stop voltage"},
          std::pair{plan.userVolts, "The unit's present high voltage"}}) {
        if (QString problem = checkHighVoltage(volts, QString::fromLatin1(what)); !problem.isEmpty())
            return problem;
    }
    // Smaller steps would ask the unit for the same setting twice.
    if (!(plan.stepVolts >= HV_VOLTS_PER_COUNT) || !std::isfinite(plan.stepVolts))
        return u"The step must be at least "_qs + QString::number(HV_VOLTS_PER_COUNT, 'f', 2) +
               u" V, one step of the unit's HV setting."_qs;
    if (std::abs(plan.stopVolts - plan.startVolts) < SAME_VOLTS)
        return QStringLiteral("The start and stop voltages must differ.");
    if (!(plan.settleSeconds >= 0 && plan.settleSeconds <= MAX_SETTLE_SECONDS))
        return u"The settling time must be from 0 to "_qs + QString::number(MAX_SETTLE_SECONDS) + u" s."_qs;
    if (!(plan.thresholdPercentPer100V > 0) || !std::isfinite(plan.thresholdPercentPer100V))
        return QStringLiteral("The plateau threshold must be above 0 %/100 V.");
    return {};
}

QList<double> plateauSteps(const PlateauPlan& plan) {
    const double span = std::abs(plan.stopVolts - plan.startVolts);
    const double direction = plan.stopVolts >= plan.startVolts ? 1.0 : -1.0;
    // Each step computed from the start, so no rounding error piles up.
    const auto whole = qsizetype(std::floor(span / plan.stepVolts + SAME_VOLTS));
    QList<double> steps;
    for (qsizetype i = 0; i <= whole; ++i)
        steps.append(plan.startVolts + direction * double(i) * plan.stepVolts);
    if (std::abs(steps.last() - plan.stopVolts) > SAME_VOLTS)
        steps.append(plan.stopVolts);
    else
        steps.last() = plan.stopVolts;
    return steps;
}

QList<double> rampSteps(double from, double to, double maxStep) {
    QList<double> steps;
    const double span = std::abs(to - from);
    if (span < SAME_VOLTS)
        return steps;
    const double direction = to > from ? 1.0 : -1.0;
    const auto count = qsizetype(std::ceil(span / maxStep - SAME_VOLTS));
    for (qsizetype i = 1; i < count; ++i)
        steps.append(from + direction * double(i) * maxStep);
    steps.append(to);
    return steps;
}

QList<PlateauPoint> plateauCurve(const Series& series) {
    QList<PlateauPoint> points;
    for (const Measurement& m : series.measurements)
        if (std::isfinite(m.highVoltage) && std::isfinite(m.mean))
            points.append({m.highVoltage, m.mean});
    std::stable_sort(points.begin(), points.end(),
                     [](const PlateauPoint& a, const PlateauPoint& b) { return a.volts < b.volts; });
    return points;
}

PlateauResult findPlateau(const QList<PlateauPoint>& points, double thresholdPercentPer100V) {
    PlateauResult result;
    const size_t n = size_t(points.size());
    if (n < size_t(MIN_PLATEAU_STEPS))
        return result;
    std::vector<double> volts(n), rates(n);
    for (size_t i = 0; i < n; ++i) {
        volts[i] = points[qsizetype(i)].volts;
        rates[i] = points[qsizetype(i)].rate;
    }
    std::vector<bool> flat(n);
    for (size_t i = 0; i < n; ++i) {
        size_t lo = i > 0 ? i - 1 : 0;
        size_t hi = std::min(i + 1, n - 1);
        while (lo > 0 && volts[i] - volts[lo - 1] <= LOCAL_HALF_WIDTH_VOLTS)
            --lo;
        while (hi + 1 < n && volts[hi + 1] - volts[i] <= LOCAL_HALF_WIDTH_VOLTS)
            ++hi;
        const double slope = relativeSlope(volts, rates, lo, hi);
        flat[i] = std::abs(slope) < thresholdPercentPer100V; // false for NO_VALUE
    }
    // The longest run of flat steps; on a tie the lower one, easier on the tube.
    size_t bestLo = 0, bestHi = 0;
    double bestSpan = -1;
    for (size_t lo = 0; lo < n;) {
        if (!flat[lo]) {
            ++lo;
            continue;
        }
        size_t hi = lo;
        while (hi + 1 < n && flat[hi + 1])
            ++hi;
        if (hi - lo + 1 >= size_t(MIN_PLATEAU_STEPS) && volts[hi] - volts[lo] > bestSpan) {
            bestSpan = volts[hi] - volts[lo];
            bestLo = lo;
            bestHi = hi;
        }
        lo = hi + 1;
    }
    if (bestSpan < 0)
        return result;
    result.found = true;
    result.fromVolts = volts[bestLo];
    result.toVolts = volts[bestHi];
    result.slopePercentPer100V = relativeSlope(volts, rates, bestLo, bestHi);
    const double target = result.fromVolts + (result.toVolts - result.fromVolts) / 3.0;
    size_t nearest = bestLo;
    for (size_t i = bestLo; i <= bestHi; ++i)
        if (std::abs(volts[i] - target) < std::abs(volts[nearest] - target))
            nearest = i;
    result.operatingVolts = volts[nearest];
    return result;
}

} // namespace counting
