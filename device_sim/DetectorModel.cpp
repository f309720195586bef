#include "DetectorModel.h"

#include "CheckSource.h"

#include <algorithm>
#include <cmath>

namespace kivo::sim {

double hvVolts(int32_t hvCount) {
    return std::clamp(hvCount, 0, HV_MAX_COUNT) * HV_FULL_SCALE_VOLTS / HV_MAX_COUNT;
}

double detectorGain(double volts) {
    if (volts < PMT_THRESHOLD_VOLTS)
        return 0.0;
    return std::pow(volts / PMT_REFERENCE_VOLTS, PMT_GAIN_EXPONENT);
}

double amplifierGain(int32_t gainValue) {
    const int32_t value = std::clamp(gainValue, 0, GAIN_MAX_VALUE);
    const int coarse = (value / 4096) & 3;
    const int fine = value & 4095;
    return static_cast<double>(1 << coarse) * (1.0 + fine / 4095.0);
}

double amplitudeLevels(double keV, const DeviceSettings& settings, int32_t levels) {
    return keV * detectorGain(hvVolts(settings.hv)) * amplifierGain(settings.gain) * levels / FULL_SCALE_KEV;
}

double photopeakLevel(const DeviceSettings& settings, int32_t levels) {
    return amplitudeLevels(CS137_GAMMA_KEV, settings, levels);
}

double windowRate(const DeviceSettings& settings, int32_t levels, int32_t lld, int32_t uld, bool integral) {
    const double levelsPerKeV = amplitudeLevels(1.0, settings, levels);
    const int32_t top = levels - 1;
    if (levelsPerKeV <= 0.0 || top < 0 || lld > top || (!integral && uld < lld))
        return 0.0;
    const CheckSource& spectrum = CheckSource::checkSource();
    // Level L holds amplitudes [L, L + 1); everything above the top saturates into the top level.
    const double from = std::max(lld, 0) / levelsPerKeV;
    if (integral || uld >= top)
        return spectrum.rateAbove(from);
    return std::max(spectrum.rateAbove(from) - spectrum.rateAbove((uld + 1.0) / levelsPerKeV), 0.0);
}

double expectedRate(const DeviceSettings& settings, int32_t levels) {
    return windowRate(settings, levels, settings.lld, settings.uld, settings.integralMode != 0);
}

} // namespace kivo::sim
