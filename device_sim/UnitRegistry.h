// The connections the library has handed out: handle -> opened unit. Every open reads the configuration
// afresh and powers a unit up from its non-volatile memory; closing forgets the handle. Calls may come
// from any thread; one lock serialises them.
#pragma once

#include "SimDevice.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace kivo::sim {

class UnitRegistry {
public:
    using NoteSink = std::function<void(const std::string&)>;

    // Notes (rejected configuration values, unusable saved settings, failed saves) go to `sink`.
    explicit UnitRegistry(NoteSink sink = {});

    // A new non-zero handle, or 0 when opening fails (injected OpenSCA fault). `port` is not used: the
    // simulated unit answers on every port.
    int32_t open(int32_t port);
    Status close(int32_t handle);

    // Runs `action` on the unit of `handle` under the lock; STATUS_BAD_HANDLE for an unknown handle.
    Status with(int32_t handle, const std::function<Status(SimDevice&)>& action);

    size_t openCount() const;

private:
    void passOnNotes(SimDevice& unit, size_t from);

    mutable std::mutex mutex_;
    std::map<int32_t, std::unique_ptr<SimDevice>> units_;
    int32_t lastHandle_ = 0;
    NoteSink sink_;
};

} // namespace kivo::sim
