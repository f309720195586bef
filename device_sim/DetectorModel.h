// From settings to count rate: how the unit turns a deposited energy into a pulse amplitude in
// discriminator levels, and how many pulses per second its SCA lets through.
//
// amplitude [levels] = E x detector gain(HV) x amplifier gain x levels / FULL_SCALE_KEV
//   detector gain   = (V / 1000)^7, a photomultiplier's steep rise; no pulses below 300 V
//   amplifier gain  = coarse (x1, x2, x4, x8 from bits 12-13 of PARAM_GAIN) x (1 + fine / 4095)
// At 1000 V and unit gain the 662 keV photopeak sits at half of the level range. A pulse above the top
// level saturates into the top level. The window counts levels LLD..ULD (nothing when ULD < LLD), the
// integral mode everything from the LLD up.
#pragma once

#include "DeviceSettings.h"

#include <cstdint>

namespace kivo::sim {

constexpr double PMT_THRESHOLD_VOLTS = 300.0;
constexpr double PMT_REFERENCE_VOLTS = 1000.0;
constexpr double PMT_GAIN_EXPONENT = 7.0;
// Energy at the top of the level range at 1000 V and amplifier gain 1.
constexpr double FULL_SCALE_KEV = 2.0 * 661.657;

double hvVolts(int32_t hvCount);
// Relative photomultiplier gain at `volts` (1 at 1000 V, 0 below the threshold).
double detectorGain(double volts);
// Amplifier gain factor of a PARAM_GAIN value: 1 (x1, fine 0) to 16 (x8, fine 4095).
double amplifierGain(int32_t gainValue);
// Pulse amplitude in levels of a `keV` deposit.
double amplitudeLevels(double keV, const DeviceSettings& settings, int32_t levels);
// Amplitude of the Cs-137 photopeak's centre in levels (may exceed the range).
double photopeakLevel(const DeviceSettings& settings, int32_t levels);

// Mean count rate (pulses per second) through the discriminator [lld, uld], or above lld in integral
// mode, with the HV and gain of `settings`.
double windowRate(const DeviceSettings& settings, int32_t levels, int32_t lld, int32_t uld, bool integral);
// Mean count rate with the window and mode of `settings` themselves.
double expectedRate(const DeviceSettings& settings, int32_t levels);

} // namespace kivo::sim
