#include "PeakFit.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

namespace analysis {

namespace {

// More points than this in a fit are merged in groups where the windows tile the axis (an MCA file's
// channels), which changes nothing in the model and keeps a 65536-channel file fast.
constexpr qsizetype MAX_FIT_POINTS = 200;
constexpr size_t MAX_ITERATIONS = 50;
// Parameters settle to 1e-5 of their size, far inside their counting uncertainty (1e-3 at best).
constexpr double X_TOLERANCE = 1e-5;
constexpr double G_TOLERANCE = 1e-6;

// What GSL's callbacks work on. The trust-region method asks for the Jacobian at the point whose
// residuals it just computed; both come from one evaluation, so the Jacobian is kept from that call.
struct FitData {
    PeakModel model;
    const QList<SpectrumPoint>& points;
    std::vector<double> target;   // the rate each point is fitted to
    std::vector<double> jacobian; // row-major, points x parameters, at `at`
    PeakParameters at{};
    bool cached = false;

    bool setParameters(const gsl_vector* x) {
        PeakParameters p{};
        for (int i = 0; i < model.parameterCount(); ++i)
            p[size_t(i)] = gsl_vector_get(x, size_t(i));
        const bool same = cached && p == at;
        model.setParameters(p);
        return same;
    }
    // Residuals into f (when given) and the Jacobian into the cache.
    void evaluate(gsl_vector* f) {
        const auto count = size_t(model.parameterCount());
        jacobian.resize(size_t(points.size()) * count);
        for (qsizetype i = 0; i < points.size(); ++i) {
            const SpectrumPoint& pt = points[i];
            const WindowValue v = model.evaluate(pt.low, pt.high);
            if (f)
                gsl_vector_set(f, size_t(i), v.peak + v.background - target[size_t(i)]);
            for (size_t k = 0; k < count; ++k)
                jacobian[size_t(i) * count + k] = v.peakGradient[k] + v.backgroundGradient[k];
        }
        at = model.parameters();
        cached = true;
    }
};

int residuals(const gsl_vector* x, void* data, gsl_vector* f) {
    auto* d = static_cast<FitData*>(data);
    d->setParameters(x);
    d->evaluate(f);
    return GSL_SUCCESS;
}

int jacobian(const gsl_vector* x, void* data, gsl_matrix* j) {
    auto* d = static_cast<FitData*>(data);
    if (!d->setParameters(x))
        d->evaluate(nullptr);
    const auto count = size_t(d->model.parameterCount());
    for (size_t i = 0; i < j->size1; ++i)
        for (size_t k = 0; k < count; ++k)
            gsl_matrix_set(j, i, k, d->jacobian[i * count + k]);
    return GSL_SUCCESS;
}

// The points a fit sees: those of `range`, merged in groups of equal exposure where the windows tile
// the axis and the range is long.
QList<SpectrumPoint> fitPoints(const QList<SpectrumPoint>& points, PointRange range) {
    QList<SpectrumPoint> out(points.begin() + range.first, points.begin() + range.last);
    if (out.size() <= MAX_FIT_POINTS)
        return out;
    const auto apart = [](const SpectrumPoint& a, const SpectrumPoint& b) {
        return std::abs(b.low - a.high) > 1e-9 || b.readings != a.readings;
    };
    if (std::adjacent_find(out.begin(), out.end(), apart) != out.end())
        return out;
    const qsizetype group = (out.size() + MAX_FIT_POINTS - 1) / MAX_FIT_POINTS;
    QList<SpectrumPoint> merged;
    for (qsizetype i = 0; i < out.size(); i += group) {
        SpectrumPoint m = out[i];
        const qsizetype end = std::min(out.size(), i + group);
        m.high = out[end - 1].high;
        for (qsizetype k = i + 1; k < end; ++k)
            m.counts += out[k].counts;
        merged << m;
    }
    return merged;
}

// A straight background density (per level) through the rates at the two ends of `points`.
struct EndLine {
    double x0 = 0, d0 = 0; // left end: mean centre, density
    double x1 = 0, d1 = 0; // right end
    qsizetype count = 1;   // points averaged at each end
    double share(double x) const { return x1 > x0 ? (x - x0) / (x1 - x0) : 0.5; }
    double at(double x) const { return d0 + (d1 - d0) * share(x); }
};

EndLine endLine(const SpectrumPoint* p, qsizetype n) {
    EndLine line;
    line.count = std::max<qsizetype>(1, n / 8);
    for (qsizetype i = 0; i < line.count; ++i) {
        const SpectrumPoint& l = p[i];
        const SpectrumPoint& r = p[n - 1 - i];
        line.x0 += l.centre() / double(line.count);
        line.d0 += l.rate() / l.width() / double(line.count);
        line.x1 += r.centre() / double(line.count);
        line.d1 += r.rate() / r.width() / double(line.count);
    }
    return line;
}

// GSL's default error handler aborts the program. Fits report failures by their status codes instead:
// the handler is switched off for the process once, at the first fit (switching it back after each
// fit would race with a fit in another thread).
void returnGslErrors() {
    static std::once_flag once;
    std::call_once(once, [] { gsl_set_error_handler_off(); });
}

struct WorkspaceFree {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};
struct VectorFree {
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
struct MatrixFree {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};

} // namespace

// The fit uses GSL's nonlinear least squares (gsl_multifit_nlinear, Levenberg-Marquardt trust region
// with an analytic Jacobian and its covariance routine): a maintained, tested solver whose convergence
// tests and scaling we would otherwise have to write and validate ourselves.
std::optional<PeakFit> PeakFit::fit(const QList<SpectrumPoint>& points, PointRange range,
                                    const PeakGuess& guess, bool step) {
    const QList<SpectrumPoint> data = fitPoints(points, range);
    const qsizetype n = data.size();
    if (n < 5 || !std::isfinite(guess.centroid) || !(guess.sigma > 0))
        return std::nullopt;
    const double low = data.first().low;
    const double high = data.last().high;
    const double origin = 0.5 * (low + high);
    FitData fitData{PeakModel(n >= 6, step && n >= 8, origin, 0.5 * (high - low)), data, {}, {}, {}, false};
    PeakModel& model = fitData.model;
    const int count = model.parameterCount();

    // Start: the background line through the ends, the area that lifts the guessed peak above it.
    const EndLine line = endLine(data.constData(), n);
    PeakParameters start{};
    start[CENTROID] = guess.centroid;
    start[LOG_SIGMA] = std::log(guess.sigma);
    start[LEVEL] = line.at(origin);
    if (model.hasSlope())
        start[size_t(model.slopeIndex())] =
            line.x1 > line.x0 ? (line.d1 - line.d0) / (line.x1 - line.x0) * 0.5 * (high - low) : 0;
    double excess = 0, share = 0, noise = 0;
    model.setParameters(PeakParameters{1.0, guess.centroid, std::log(guess.sigma)});
    for (const SpectrumPoint& pt : data) {
        excess += pt.rate() - line.at(pt.centre()) * pt.width();
        noise += pt.rateVariance();
        share += model.evaluate(pt.low, pt.high).peak;
    }
    // At least one sigma of the excess: a start at no peak at all leaves the fit nothing to move the
    // centroid and width with.
    start[AREA] = std::max(excess, std::sqrt(noise)) / std::max(share, 1e-9);

    returnGslErrors();
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residuals;
    fdf.df = jacobian;
    fdf.n = size_t(n);
    fdf.p = size_t(count);
    fdf.params = &fitData;
    gsl_multifit_nlinear_parameters settings = gsl_multifit_nlinear_default_parameters();
    settings.scale = gsl_multifit_nlinear_scale_more;
    settings.solver = gsl_multifit_nlinear_solver_cholesky;
    const std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceFree> work(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &settings, size_t(n), size_t(count)));
    const std::unique_ptr<gsl_vector, VectorFree> x(gsl_vector_alloc(size_t(count)));
    const std::unique_ptr<gsl_vector, VectorFree> weights(gsl_vector_alloc(size_t(n)));
    const std::unique_ptr<gsl_matrix, MatrixFree> covariance(gsl_matrix_alloc(size_t(count), size_t(count)));
    if (!work || !x || !weights || !covariance)
        return std::nullopt;
    for (int k = 0; k < count; ++k)
        gsl_vector_set(x.get(), size_t(k), start[size_t(k)]);
    // Poisson counts fitted by least squares with Mighell's chi-square-gamma (ApJ 518 (1999) 380): each
    // count n is fitted as n + min(n, 1) with variance n + 1. Weights from the counts themselves bias
    // the areas low (a point that fell short weighs more); these do not, in one pass, and empty points
    // keep a weight.
    for (const SpectrumPoint& pt : data) {
        gsl_vector_set(weights.get(), fitData.target.size(), pt.readings * pt.readings / (pt.counts + 1.0));
        fitData.target.push_back((pt.counts + std::min(pt.counts, 1.0)) / pt.readings);
    }
    if (gsl_multifit_nlinear_winit(x.get(), weights.get(), &fdf, work.get()) != GSL_SUCCESS)
        return std::nullopt;
    int info = 0;
    if (gsl_multifit_nlinear_driver(MAX_ITERATIONS, X_TOLERANCE, G_TOLERANCE, 0.0, nullptr, nullptr, &info,
                                    work.get()) != GSL_SUCCESS)
        return std::nullopt;
    fitData.setParameters(gsl_multifit_nlinear_position(work.get()));
    // Goodness of fit: Pearson's chi-square with the variances the fit predicts.
    double chiSquare = 0;
    for (const SpectrumPoint& pt : data) {
        const WindowValue v = model.evaluate(pt.low, pt.high);
        const double expected = (v.peak + v.background) * pt.readings;
        chiSquare += (pt.counts - expected) * (pt.counts - expected) / std::max(expected, 1.0);
    }
    if (gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(work.get()), 0.0, covariance.get()) !=
        GSL_SUCCESS)
        return std::nullopt;

    PeakFit result(model);
    result.chiSquare_ = chiSquare;
    result.chiSquarePerDof_ = chiSquare / double(n - count);
    // Scatter beyond counting statistics (a background the model does not quite follow) widens the
    // uncertainties; a fit within counting statistics keeps them as the counts give them.
    const double inflation = std::max(1.0, result.chiSquarePerDof_);
    for (int r = 0; r < count; ++r)
        for (int c = 0; c < count; ++c)
            result.covariance_[size_t(r * MAX_PEAK_PARAMETERS + c)] =
                gsl_matrix_get(covariance.get(), size_t(r), size_t(c)) * inflation;
    for (int k = 0; k < count; ++k)
        if (!std::isfinite(model.parameters()[size_t(k)]) ||
            !(result.covariance_[size_t(k * MAX_PEAK_PARAMETERS + k)] >= 0) ||
            !std::isfinite(result.covariance_[size_t(k * MAX_PEAK_PARAMETERS + k)]))
            return std::nullopt;
    const double sigma = result.sigma();
    if (result.centroid() < low || result.centroid() > high || sigma > high - low ||
        sigma < 1e-3 * meanWidth(data, {0, n}))
        return std::nullopt;
    return result;
}

double PeakFit::stepToHeight() const {
    const PeakParameters& p = model_.parameters();
    const double height = p[AREA] / (sigma() * std::sqrt(2.0 * std::numbers::pi));
    return model_.hasStep() && height > 0 ? p[size_t(model_.stepIndex())] / height : 0;
}

Peak PeakFit::peak(const SpectrumPoints& spectrum, PointRange areaRange) const {
    Peak peak;
    peak.method = PeakMethod::Fit;
    peak.firstPoint = spectrum.points[areaRange.first].index;
    peak.lastPoint = spectrum.points[areaRange.last - 1].index;
    PeakParameters netGradient{};
    for (qsizetype i = areaRange.first; i < areaRange.last; ++i) {
        const SpectrumPoint& pt = spectrum.points[i];
        const WindowValue v = model_.evaluate(pt.low, pt.high);
        peak.grossCounts += pt.counts;
        peak.netCounts += v.peak * pt.readings;
        peak.backgroundCounts += v.background * pt.readings;
        for (size_t k = 0; k < netGradient.size(); ++k)
            netGradient[k] += v.peakGradient[k] * pt.readings;
    }
    double netVariance = 0;
    for (size_t r = 0; r < netGradient.size(); ++r)
        for (size_t c = 0; c < netGradient.size(); ++c)
            netVariance += netGradient[r] * covariance_[r * MAX_PEAK_PARAMETERS + c] * netGradient[c];
    peak.netCountsSigma = std::sqrt(std::max(netVariance, 0.0));
    peak.peakRate = model_.parameters()[AREA];
    peak.peakRateSigma = std::sqrt(covariance_[AREA * MAX_PEAK_PARAMETERS + AREA]);
    peak.centroidLevel = model_.parameters()[CENTROID];
    peak.centroidSigmaLevel = std::sqrt(covariance_[CENTROID * MAX_PEAK_PARAMETERS + CENTROID]);
    const double s = sigma();
    setWidths(peak, spectrum.fullScaleLevel, s,
              s * std::sqrt(covariance_[LOG_SIGMA * MAX_PEAK_PARAMETERS + LOG_SIGMA]),
              meanWidth(spectrum.points, areaRange));
    peak.significance = peak.netCountsSigma > 0 ? peak.netCounts / peak.netCountsSigma : 0;
    peak.chiSquarePerDof = chiSquarePerDof_;
    return peak;
}

void setWidths(Peak& peak, double fullScaleLevel, double sigma, double sigmaError, double meanWindowWidth) {
    peak.centroidPercent = peak.centroidLevel * 100.0 / fullScaleLevel;
    peak.fwhmLevels = FWHM_PER_SIGMA * sigma;
    peak.fwhmSigmaLevels = FWHM_PER_SIGMA * sigmaError;
    peak.apparentFwhmLevels =
        FWHM_PER_SIGMA * std::sqrt(sigma * sigma + meanWindowWidth * meanWindowWidth / 12.0);
    peak.resolutionPercent = peak.centroidLevel > 0 ? peak.fwhmLevels * 100.0 / peak.centroidLevel : 0;
}

std::optional<Peak> momentEstimate(const SpectrumPoints& spectrum, PointRange range, double* stepToHeight) {
    const qsizetype n = range.size();
    if (n < 3)
        return std::nullopt;
    const SpectrumPoint* p = spectrum.points.constData() + range.first;
    const EndLine line = endLine(p, n);

    // The net area as a weighted sum of the rates: each point's own counts less its share of the
    // background that the end points determine.
    QList<double> coefficient(n);
    double leftShare = 0, rightShare = 0; // background counts per unit density at either end
    double sum = 0, first = 0, gross = 0, background = 0, height = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double bg = line.at(p[i].centre()) * p[i].width();
        const double net = p[i].rate() - bg;
        height = std::max(height, net / p[i].width());
        coefficient[i] = p[i].readings;
        leftShare += p[i].readings * p[i].width() * (1.0 - line.share(p[i].centre()));
        rightShare += p[i].readings * p[i].width() * line.share(p[i].centre());
        sum += net;
        first += net * p[i].centre();
        gross += p[i].counts;
        background += bg * p[i].readings;
    }
    if (!(sum > 0))
        return std::nullopt;
    if (stepToHeight)
        *stepToHeight = (line.d0 - line.d1) / height;
    for (qsizetype i = 0; i < line.count; ++i) {
        coefficient[i] -= leftShare / (p[i].width() * double(line.count));
        coefficient[n - 1 - i] -= rightShare / (p[n - 1 - i].width() * double(line.count));
    }
    Peak peak;
    peak.method = PeakMethod::MomentEstimate;
    peak.centroidLevel = first / sum;
    double second = 0, centroidVariance = 0, netVariance = 0, sumVariance = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double dx = p[i].centre() - peak.centroidLevel;
        second += (p[i].rate() - line.at(p[i].centre()) * p[i].width()) * dx * dx;
        centroidVariance += dx * dx * p[i].rateVariance();
        netVariance += coefficient[i] * coefficient[i] * p[i].rateVariance();
        sumVariance += p[i].rateVariance();
    }
    const double width = meanWidth(spectrum.points, range);
    const double sigma = std::sqrt(std::max(second / sum - width * width / 12.0, 0.0));
    peak.centroidSigmaLevel = std::sqrt(centroidVariance) / sum;
    peak.grossCounts = gross;
    peak.backgroundCounts = background;
    peak.netCounts = gross - background;
    peak.netCountsSigma = std::sqrt(netVariance);
    // Each pulse of the peak is seen by (window width / point spacing) points.
    const double spacing = n > 1 ? (p[n - 1].centre() - p[0].centre()) / double(n - 1) : width;
    peak.peakRate = sum * spacing / width;
    peak.peakRateSigma = std::sqrt(sumVariance) * spacing / width;
    peak.firstPoint = p[0].index;
    peak.lastPoint = p[n - 1].index;
    // Without a fit there is no uncertainty of the width; the relative one of the area stands in.
    setWidths(peak, spectrum.fullScaleLevel, sigma,
              sigma * peak.netCountsSigma / std::max(peak.netCounts, 1.0), width);
    peak.significance = peak.netCountsSigma > 0 ? peak.netCounts / peak.netCountsSigma : 0;
    return peak;
}

} // namespace analysis
