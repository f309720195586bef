#include "CheckSource.h"

#include <algorithm>
#include <cmath>

namespace kivo::sim {

namespace {

// Count rates in pulses per second: a few-microcurie source a hand's width from a 2" x 2" crystal.
constexpr double PHOTOPEAK_RATE = 1400.0;
constexpr double COMPTON_RATE = 2400.0;
constexpr double MULTIPLE_SCATTER_RATE = 180.0;
constexpr double BACKSCATTER_RATE = 300.0;
constexpr double BACKSCATTER_EXTRA_WIDTH = 2.0; // scatter angles near 180 deg smear the peak further
constexpr double BA_XRAY_KEV = 32.2;
constexpr double BA_XRAY_RATE = 350.0;
constexpr double K40_KEV = 1460.8;
constexpr double K40_RATE = 6.0;
constexpr double BACKGROUND_EXP_RATE = 260.0;
constexpr double BACKGROUND_EXP_SCALE_KEV = 120.0;
constexpr double BACKGROUND_FLAT_RATE = 40.0;

constexpr double FWHM_AT_662 = 0.07;
constexpr double FWHM_TO_SIGMA = 2.354820045;

// Continuum histogram before broadening: 1 keV bins from 0 to 3000 keV.
constexpr int BIN_COUNT = 3000;
constexpr double BIN_WIDTH = 1.0;
// Broadened continuum tabulated from -100 keV to 3400 keV.
constexpr double GRID_START = -100.0;
constexpr double GRID_STEP = 1.0;
constexpr int GRID_COUNT = 3501;
constexpr double GAUSS_REACH = 6.0; // sigmas beyond which a Gaussian tail is negligible

double upperTail(double x) {
    return 0.5 * std::erfc(x / std::sqrt(2.0));
}

// Klein-Nishina distribution of the electron's kinetic energy T for a photon of energy e (unnormalised).
double kleinNishina(double t, double e) {
    const double eps = e / ELECTRON_MASS_KEV;
    const double s = t / e;
    return 2.0 + s * s / (eps * eps * (1.0 - s) * (1.0 - s)) + s / (1.0 - s) * (s - 2.0 / eps);
}

// Normalises `shape` (per-bin weights) to `rate` and adds it to `bins`.
void addScaled(std::vector<double>& bins, const std::vector<double>& shape, double rate) {
    double sum = 0.0;
    for (const double w : shape)
        sum += w;
    if (sum <= 0.0)
        return;
    for (size_t i = 0; i < bins.size(); ++i)
        bins[i] += shape[i] * rate / sum;
}

} // namespace

double CheckSource::resolutionSigma(double keV) {
    return FWHM_AT_662 * std::sqrt(CS137_GAMMA_KEV * std::max(keV, 0.0)) / FWHM_TO_SIGMA;
}

double CheckSource::comptonEdge(double keV) {
    const double eps = keV / ELECTRON_MASS_KEV;
    return keV * 2.0 * eps / (1.0 + 2.0 * eps);
}

double CheckSource::backscatterEnergy(double keV) {
    return keV / (1.0 + 2.0 * keV / ELECTRON_MASS_KEV);
}

const CheckSource& CheckSource::checkSource() {
    static const CheckSource spectrum;
    return spectrum;
}

CheckSource::CheckSource() {
    const double e = CS137_GAMMA_KEV;
    const double edge = comptonEdge(e);
    const double backscatter = backscatterEnergy(e);
    lines_ = {
        {e, PHOTOPEAK_RATE, resolutionSigma(e)},
        {backscatter, BACKSCATTER_RATE, BACKSCATTER_EXTRA_WIDTH * resolutionSigma(backscatter)},
        {BA_XRAY_KEV, BA_XRAY_RATE, resolutionSigma(BA_XRAY_KEV)},
        {K40_KEV, K40_RATE, resolutionSigma(K40_KEV)},
    };

    std::vector<double> bins(BIN_COUNT, 0.0);
    std::vector<double> compton(BIN_COUNT, 0.0), multiple(BIN_COUNT, 0.0), falling(BIN_COUNT, 0.0),
        flat(BIN_COUNT, 1.0);
    for (int i = 0; i < BIN_COUNT; ++i) {
        const double centre = (i + 0.5) * BIN_WIDTH;
        const auto k = static_cast<size_t>(i);
        if (centre < edge)
            compton[k] = kleinNishina(centre, e);
        else if (centre < e)
            multiple[k] = 1.0;
        falling[k] = std::exp(-centre / BACKGROUND_EXP_SCALE_KEV);
    }
    addScaled(bins, compton, COMPTON_RATE);
    addScaled(bins, multiple, MULTIPLE_SCATTER_RATE);
    addScaled(bins, falling, BACKGROUND_EXP_RATE);
    addScaled(bins, flat, BACKGROUND_FLAT_RATE);

    // Broaden each bin with the resolution at its energy. Grid points far below a bin see all of its
    // pulses (collected in a difference array), points within reach get the Gaussian tail.
    std::vector<double> fullBelow(GRID_COUNT + 1, 0.0);
    continuumAbove_.assign(GRID_COUNT, 0.0);
    for (int i = 0; i < BIN_COUNT; ++i) {
        const double w = bins[static_cast<size_t>(i)];
        if (w <= 0.0)
            continue;
        continuumTotal_ += w;
        const double centre = (i + 0.5) * BIN_WIDTH;
        const double sigma = std::max(resolutionSigma(centre), 0.1);
        const int first =
            std::clamp(static_cast<int>(std::ceil((centre - GAUSS_REACH * sigma - GRID_START) / GRID_STEP)),
                       0, GRID_COUNT);
        const int last =
            std::clamp(static_cast<int>(std::floor((centre + GAUSS_REACH * sigma - GRID_START) / GRID_STEP)),
                       -1, GRID_COUNT - 1);
        fullBelow[0] += w;
        fullBelow[static_cast<size_t>(first)] -= w;
        for (int j = first; j <= last; ++j)
            continuumAbove_[static_cast<size_t>(j)] +=
                w * upperTail((GRID_START + j * GRID_STEP - centre) / sigma);
    }
    double running = 0.0;
    for (int j = 0; j < GRID_COUNT; ++j) {
        running += fullBelow[static_cast<size_t>(j)];
        continuumAbove_[static_cast<size_t>(j)] += running;
    }
}

double CheckSource::rateAbove(double keV) const {
    double rate = 0.0;
    for (const Line& line : lines_)
        rate += line.rate * upperTail((keV - line.energy) / line.sigma);

    const double pos = (keV - GRID_START) / GRID_STEP;
    if (pos <= 0.0)
        rate += continuumTotal_;
    else if (pos < GRID_COUNT - 1) {
        const auto j = static_cast<size_t>(pos);
        const double f = pos - static_cast<double>(j);
        rate += continuumAbove_[j] * (1.0 - f) + continuumAbove_[j + 1] * f;
    }
    return rate;
}

} // namespace kivo::sim
