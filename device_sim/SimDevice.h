// One opened simulated unit: identity from its configuration, settings powered up from the
// non-volatile memory file, the detector model behind the count rate and the injected faults.
#pragma once

#include "DeviceSettings.h"
#include "Nvram.h"
#include "RateMeter.h"
#include "SimConfig.h"
#include "SimStatus.h"

#include <cstdint>
#include <string>

namespace kivo::sim {

class SimDevice {
public:
    // Powers the unit up: loads the saved settings (factory defaults when there are none).
    explicit SimDevice(SimConfig config, RateMeter::Clock::time_point now = RateMeter::Clock::now());

    // Texts fill exactly 32 bytes, NUL-padded (a 32-byte text has no terminator); numbers take 4 bytes;
    // the level info 12 (level count, lowest level 0, highest level). Sizes must match exactly.
    Status getParam(int32_t id, void* buffer, int32_t size) const;
    // Writes one 32-bit setting; out-of-range values are clamped like the hardware's DACs and lists do.
    Status setParam(int32_t id, const void* value, int32_t size);
    Status readCps(int32_t* cps, int32_t* fresh, RateMeter::Clock::time_point now = RateMeter::Clock::now());
    // Copies the current settings into the non-volatile memory file.
    Status saveSettings();

    const SimConfig& config() const { return config_; }
    const DeviceSettings& settings() const { return settings_; }
    SettingLimits limits() const { return {config_.levels, config_.hasExtendedRanges()}; }
    NvramLoad::State powerUpState() const { return powerUpState_; }
    // Readable notes about the configuration, the power-up and the last failed save (may be empty).
    const std::vector<std::string>& notes() const { return notes_; }

private:
    SimConfig config_;
    DeviceSettings settings_;
    NvramLoad::State powerUpState_;
    RateMeter meter_;
    std::vector<std::string> notes_;
};

} // namespace kivo::sim
