// Device parameter ids and their buffer sizes, as exchanged with GetParam/SetParam.
#pragma once

#include <cstdint>

namespace kivo {

enum ParamId : int32_t {
    PARAM_PRODUCT_NAME = 0,
    PARAM_MANUFACTURER = 1,
    PARAM_SERIAL_NUMBER = 2,
    PARAM_FW_VERSION = 3,
    PARAM_PRODUCTION_DATE = 4,
    PARAM_LLD = 5,
    PARAM_ULD = 6,
    PARAM_GAIN = 7,
    PARAM_HV = 8,
    PARAM_INTEGRAL_MODE = 9,
    PARAM_ANALOG_MODE = 10,
    PARAM_CPS_RANGE = 11,
    PARAM_RESPONSE_TIME = 12,
    // 13 is not used by any device.
    PARAM_TTL_DURATION = 14,
    PARAM_LEVEL_INFO = 15,
};

constexpr int32_t TEXT_PARAM_SIZE = 32;      // 32 characters, NUL-padded; may lack a terminator
constexpr int32_t NUMBER_PARAM_SIZE = 4;     // one 32-bit signed integer
constexpr int32_t LEVEL_INFO_PARAM_SIZE = 12; // three 32-bit integers; the first is the level count

// Size in bytes of a parameter's value, or 0 for an id that no device knows.
constexpr int32_t paramSize(int32_t id) {
    switch (id) {
    case PARAM_PRODUCT_NAME:
    case PARAM_MANUFACTURER:
    case PARAM_SERIAL_NUMBER:
    case PARAM_FW_VERSION:
    case PARAM_PRODUCTION_DATE:
        return TEXT_PARAM_SIZE;
    case PARAM_LLD:
    case PARAM_ULD:
    case PARAM_GAIN:
    case PARAM_HV:
    case PARAM_INTEGRAL_MODE:
    case PARAM_ANALOG_MODE:
    case PARAM_CPS_RANGE:
    case PARAM_RESPONSE_TIME:
    case PARAM_TTL_DURATION:
        return NUMBER_PARAM_SIZE;
    case PARAM_LEVEL_INFO:
        return LEVEL_INFO_PARAM_SIZE;
    default:
        return 0;
    }
}

// True for parameters a program may write; identity texts and level info are read-only.
constexpr bool paramWritable(int32_t id) { return paramSize(id) == NUMBER_PARAM_SIZE; }

} // namespace kivo
