// The unit's writable settings, their factory values and the limits the hardware enforces on writes.
#pragma once

#include <cstdint>
#include <optional>

namespace kivo::sim {

struct DeviceSettings {
    int32_t lld = 0;          // lower discriminator level
    int32_t uld = 0;          // upper discriminator level
    int32_t gain = 0;         // coarse index x 4096 + fine
    int32_t hv = 0;           // HV DAC count, 0..4095 = 0..1500 V
    int32_t integralMode = 0; // 0 window, 1 integral (everything above the LLD)
    int32_t analogMode = 0;   // 0 amplifier pulse, 1 CPS level
    int32_t cpsRange = 0;     // position in the firmware's CPS range list
    int32_t responseTime = 0; // position in the response-time list, 0..13
    int32_t ttlDuration = 0;  // position in the TTL pulse-duration list, 0..13

    friend bool operator==(const DeviceSettings&, const DeviceSettings&) = default;
};

// What bounds a write: the level count and whether the firmware has the 29-entry CPS range list.
struct SettingLimits {
    int32_t levels = 2048;
    bool extendedRanges = true;
};

constexpr int32_t HV_MAX_COUNT = 4095;
constexpr double HV_FULL_SCALE_VOLTS = 1500.0;
constexpr int32_t GAIN_MAX_VALUE = 4 * 4096 - 1; // coarse x8, fine 4095

// Power-up values of a unit whose non-volatile memory is blank: 1000 V, x1, LLD 2 % of the range,
// ULD at the top, window mode, amplifier pulse output, CPS range 3, response time 2, TTL 2.5 us.
DeviceSettings factoryDefaults(const SettingLimits& limits);

// The value a parameter takes when `value` is written: the hardware clamps to its DAC and list ranges
// instead of refusing (an HV above 1500 V gives 4095, a negative one 0; flags become 0/1).
int32_t clampSetting(int32_t id, int32_t value, const SettingLimits& limits);

// Value of writable parameter `id`, or nothing for an id that is not a setting.
std::optional<int32_t> settingValue(const DeviceSettings& settings, int32_t id);

// Stores the clamped value of writable parameter `id`; false when `id` is not a setting.
bool applySetting(DeviceSettings& settings, int32_t id, int32_t value, const SettingLimits& limits);

// Every field clamped, for values that come from outside (the non-volatile memory file).
DeviceSettings clampedSettings(const DeviceSettings& settings, const SettingLimits& limits);

} // namespace kivo::sim
