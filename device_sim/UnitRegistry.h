// The connections the library has handed out: handle -> opened unit. Every open reads the configuration
// afresh and powers a unit up from its non-volatile memory; closing forgets the handle. Calls may come
// from any thread; one lock serialises them, as one link carries one call at a time.
//
// Each connection keeps its cable (Cable.h). Every call on it first takes the link's latency. While the
// cable is out the unit keeps its live settings but answers nothing: opening gives no handle, every
// call on an open handle returns STATUS_LINK_LOST, and closing also releases the handle (the program
// gives up its side of a lost connection). Plugged back, an open handle works again as before, so a
// program recovers without reconnecting; one that closed and opens again powers the unit up afresh.
#pragma once

#include "Cable.h"
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

    // A new non-zero handle, or 0 when opening fails (injected OpenSCA fault, unit unplugged). `port` is
    // not used: the simulated unit answers on every port.
    int32_t open(int32_t port);
    Status close(int32_t handle);

    // Runs `action` on the unit of `handle` under the lock; STATUS_BAD_HANDLE at once for an unknown
    // handle, STATUS_LINK_LOST while the unit is unplugged.
    Status with(int32_t handle, const std::function<Status(SimDevice&)>& action);

    size_t openCount() const;

private:
    void passOnNotes(SimDevice& unit, size_t from);

    mutable std::mutex mutex_;
    struct Connection {
        std::unique_ptr<SimDevice> unit;
        Cable cable;
    };
    std::map<int32_t, Connection> units_;
    int32_t lastHandle_ = 0;
    NoteSink sink_;
};

} // namespace kivo::sim
