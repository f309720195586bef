#include "SimDevice.h"

#include "DetectorModel.h"
#include "Params.h"

#include <array>
#include <cstring>
#include <random>

namespace kivo::sim {

namespace {

uint64_t noiseSeed(const SimConfig& config) {
    if (config.seed)
        return *config.seed;
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

void copyText(const std::string& text, void* buffer) {
    auto* out = static_cast<char*>(buffer);
    std::memset(out, 0, TEXT_PARAM_SIZE);
    std::memcpy(out, text.data(), std::min<size_t>(text.size(), TEXT_PARAM_SIZE));
}

} // namespace

SimDevice::SimDevice(SimConfig config, RateMeter::Clock::time_point now)
    : config_(std::move(config)),
      meter_(std::chrono::milliseconds(config_.readingPeriodMs), noiseSeed(config_), now) {
    NvramLoad load = loadNvram(config_.nvramPath(), limits());
    settings_ = load.settings;
    powerUpState_ = load.state;
    notes_ = config_.warnings;
    if (!load.message.empty())
        notes_.push_back(load.message);
}

Status SimDevice::getParam(int32_t id, void* buffer, int32_t size) const {
    const int32_t expected = paramSize(id);
    if (expected == 0)
        return STATUS_UNKNOWN_PARAM;
    if (!buffer)
        return STATUS_NULL_POINTER;
    if (size != expected)
        return STATUS_BAD_SIZE;
    if (config_.faults.fails(Operation::GetParam, id))
        return STATUS_INJECTED_FAULT;

    switch (id) {
    case PARAM_PRODUCT_NAME:
        copyText(config_.productName, buffer);
        return STATUS_OK;
    case PARAM_MANUFACTURER:
        copyText(config_.manufacturer, buffer);
        return STATUS_OK;
    case PARAM_SERIAL_NUMBER:
        copyText(config_.serialNumber, buffer);
        return STATUS_OK;
    case PARAM_FW_VERSION:
        copyText(config_.firmwareVersion, buffer);
        return STATUS_OK;
    case PARAM_PRODUCTION_DATE:
        copyText(config_.productionDate, buffer);
        return STATUS_OK;
    case PARAM_LEVEL_INFO: {
        const std::array<int32_t, 3> info = {config_.levels, 0, config_.levels - 1};
        std::memcpy(buffer, info.data(), sizeof info);
        return STATUS_OK;
    }
    default: {
        const int32_t value = *settingValue(settings_, id);
        std::memcpy(buffer, &value, sizeof value);
        return STATUS_OK;
    }
    }
}

Status SimDevice::setParam(int32_t id, const void* value, int32_t size) {
    const int32_t expected = paramSize(id);
    if (expected == 0)
        return STATUS_UNKNOWN_PARAM;
    if (!paramWritable(id))
        return STATUS_READ_ONLY;
    if (!value)
        return STATUS_NULL_POINTER;
    if (size != expected)
        return STATUS_BAD_SIZE;
    if (config_.faults.fails(Operation::SetParam, id))
        return STATUS_INJECTED_FAULT;
    int32_t v = 0;
    std::memcpy(&v, value, sizeof v);
    applySetting(settings_, id, v, limits());
    return STATUS_OK;
}

Status SimDevice::readCps(int32_t* cps, int32_t* fresh, RateMeter::Clock::time_point now) {
    if (!cps || !fresh)
        return STATUS_NULL_POINTER;
    if (config_.faults.fails(Operation::ReadCPS))
        return STATUS_INJECTED_FAULT;
    const RateMeter::Reading reading = meter_.read(expectedRate(settings_, config_.levels), now);
    *cps = reading.cps;
    *fresh = reading.fresh ? 1 : 0;
    return STATUS_OK;
}

Status SimDevice::saveSettings() {
    if (config_.faults.fails(Operation::SaveSettings))
        return STATUS_INJECTED_FAULT;
    std::string error;
    if (!saveNvram(config_.nvramPath(), settings_, error)) {
        notes_.push_back("settings not saved: " + error);
        return STATUS_STORAGE_ERROR;
    }
    return STATUS_OK;
}

} // namespace kivo::sim
