// Spectra for the analysis tests: the scan's own channel windows filled with Poisson counts, either
// from a peak of known truth or from the simulated detector's physical model.
#pragma once

#include "DetectorModel.h"
#include "DeviceSettings.h"
#include "ScanRecords.h"

#include <QMetaType>

#include <cmath>
#include <random>

namespace support {

// A Gaussian peak on a straight background with a step under it (per level, per second).
struct Truth {
    double centroid = 0;   // level
    double sigma = 0;      // level
    double rate = 0;       // pulses per second in the whole peak
    double background = 0; // per level at the centroid
    double slope = 0;      // per level per level
    double step = 0;       // extra background below the peak, per level, falling as the peak's own edge
};

inline double normalBelow(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// Pulses per second of the peak alone in the amplitudes [low, high).
inline double peakRateIn(const Truth& t, double low, double high) {
    return t.rate * (normalBelow((high - t.centroid) / t.sigma) - normalBelow((low - t.centroid) / t.sigma));
}

// Pulses per second of peak and background in [low, high); the step's integral by Simpson's rule.
inline double rateIn(const Truth& t, double low, double high) {
    const double mid = 0.5 * (low + high);
    double line = (t.background + t.slope * (mid - t.centroid)) * (high - low);
    const int n = 64;
    double step = 0;
    for (int i = 0; i <= n; ++i) {
        const double x = low + (high - low) * i / n;
        const double w = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
        step += w * (1.0 - normalBelow((x - t.centroid) / t.sigma));
    }
    return peakRateIn(t, low, high) + line + t.step * step * (high - low) / (3.0 * n);
}

// The rate a window passes, from levels lld..uld (amplitudes lld <= a < uld + 1).
template <typename RateOf>
spectrum::ScanRecord scanOf(qint32 channels, qint32 maxLevel, int sweeps, unsigned seed, RateOf rateOf) {
    spectrum::ScanRecord r = scan::channelLayout(channels, maxLevel);
    std::mt19937 random(seed);
    r.readings.fill(0, channels + 1);
    for (qint32 k = 1; k < channels; ++k) {
        const double mean = 3.0 * sweeps * rateOf(r.levels[k].lld, r.levels[k].uld);
        r.counts[k] = mean > 0 ? qint32(std::poisson_distribution<qint64>(mean)(random)) : 0;
        r.readings[k] = 3 * sweeps;
    }
    r.sweepsRequested = r.sweepsCompleted = sweeps;
    return r;
}

inline spectrum::ScanRecord syntheticScan(const Truth& t, qint32 channels, int sweeps, unsigned seed,
                                          qint32 maxLevel = 2047) {
    return scanOf(channels, maxLevel, sweeps, seed,
                  [&](qint32 lld, qint32 uld) { return rateIn(t, lld, uld + 1.0); });
}

// The simulated detector at its factory settings (HV 1000 V, gain x1: the Cs-137 photopeak at half
// the range), or at `settings`.
inline kivo::sim::DeviceSettings simDefaults(qint32 levels = 2048) {
    return kivo::sim::factoryDefaults(kivo::sim::SettingLimits{levels, true});
}

inline spectrum::ScanRecord simScan(qint32 channels, int sweeps, unsigned seed,
                                    const kivo::sim::DeviceSettings& settings = simDefaults(),
                                    qint32 levels = 2048) {
    return scanOf(channels, levels - 1, sweeps, seed, [&](qint32 lld, qint32 uld) {
        return kivo::sim::windowRate(settings, levels, lld, uld, false);
    });
}

} // namespace support

Q_DECLARE_METATYPE(support::Truth)
