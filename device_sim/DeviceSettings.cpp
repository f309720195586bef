#include "DeviceSettings.h"

#include "Params.h"

#include <algorithm>
#include <cmath>

namespace kivo::sim {

namespace {

constexpr int32_t LIST_LAST_POSITION = 13; // response time and TTL duration lists have 14 entries
constexpr int32_t CPS_RANGE_LAST_EXTENDED = 28;
constexpr int32_t CPS_RANGE_LAST_SHORT = 7;

int32_t DeviceSettings::*field(int32_t id) {
    switch (id) {
    case PARAM_LLD:
        return &DeviceSettings::lld;
    case PARAM_ULD:
        return &DeviceSettings::uld;
    case PARAM_GAIN:
        return &DeviceSettings::gain;
    case PARAM_HV:
        return &DeviceSettings::hv;
    case PARAM_INTEGRAL_MODE:
        return &DeviceSettings::integralMode;
    case PARAM_ANALOG_MODE:
        return &DeviceSettings::analogMode;
    case PARAM_CPS_RANGE:
        return &DeviceSettings::cpsRange;
    case PARAM_RESPONSE_TIME:
        return &DeviceSettings::responseTime;
    case PARAM_TTL_DURATION:
        return &DeviceSettings::ttlDuration;
    default:
        return nullptr;
    }
}

constexpr int32_t SETTING_IDS[] = {PARAM_LLD,       PARAM_ULD,           PARAM_GAIN,
                                   PARAM_HV,        PARAM_INTEGRAL_MODE, PARAM_ANALOG_MODE,
                                   PARAM_CPS_RANGE, PARAM_RESPONSE_TIME, PARAM_TTL_DURATION};

} // namespace

DeviceSettings factoryDefaults(const SettingLimits& limits) {
    const int32_t top = std::max(limits.levels - 1, 0);
    DeviceSettings s;
    s.lld = static_cast<int32_t>(std::lround(0.02 * limits.levels));
    s.uld = top;
    s.gain = 0;
    s.hv = 2730; // 1000 V: 2730 x 1500 / 4095
    s.integralMode = 0;
    s.analogMode = 0;
    s.cpsRange = 3;
    s.responseTime = 2;
    s.ttlDuration = 5;
    return clampedSettings(s, limits);
}

int32_t clampSetting(int32_t id, int32_t value, const SettingLimits& limits) {
    switch (id) {
    case PARAM_LLD:
    case PARAM_ULD:
        return std::clamp(value, 0, std::max(limits.levels - 1, 0));
    case PARAM_GAIN:
        return std::clamp(value, 0, GAIN_MAX_VALUE);
    case PARAM_HV:
        return std::clamp(value, 0, HV_MAX_COUNT);
    case PARAM_INTEGRAL_MODE:
    case PARAM_ANALOG_MODE:
        return value != 0 ? 1 : 0;
    case PARAM_CPS_RANGE:
        return std::clamp(value, 0, limits.extendedRanges ? CPS_RANGE_LAST_EXTENDED : CPS_RANGE_LAST_SHORT);
    case PARAM_RESPONSE_TIME:
    case PARAM_TTL_DURATION:
        return std::clamp(value, 0, LIST_LAST_POSITION);
    default:
        return value;
    }
}

std::optional<int32_t> settingValue(const DeviceSettings& settings, int32_t id) {
    if (const auto member = field(id))
        return settings.*member;
    return std::nullopt;
}

bool applySetting(DeviceSettings& settings, int32_t id, int32_t value, const SettingLimits& limits) {
    const auto member = field(id);
    if (!member)
        return false;
    settings.*member = clampSetting(id, value, limits);
    return true;
}

DeviceSettings clampedSettings(const DeviceSettings& settings, const SettingLimits& limits) {
    DeviceSettings out = settings;
    for (const int32_t id : SETTING_IDS)
        applySetting(out, id, *settingValue(settings, id), limits);
    return out;
}

} // namespace kivo::sim
