#include "UnitRegistry.h"

#include <limits>

namespace kivo::sim {

UnitRegistry::UnitRegistry(NoteSink sink) : sink_(std::move(sink)) {}

void UnitRegistry::passOnNotes(SimDevice& unit, size_t from) {
    if (!sink_)
        return;
    const auto& notes = unit.notes();
    for (size_t i = from; i < notes.size(); ++i)
        sink_(notes[i]);
}

int32_t UnitRegistry::open(int32_t /*port*/) {
    SimConfig config = loadSimConfig();
    Cable cable(config);
    std::lock_guard lock(mutex_);
    cable.carry();
    const bool refused = config.faults.fails(Operation::OpenSCA) || cable.unplugged();
    if (refused) {
        if (sink_)
            for (const auto& warning : config.warnings)
                sink_(warning);
        return 0;
    }
    auto unit = std::make_unique<SimDevice>(std::move(config));
    passOnNotes(*unit, 0);
    // Handles count up and skip 0 and any still in use when the counter wraps.
    int32_t handle = lastHandle_;
    do {
        handle = handle == std::numeric_limits<int32_t>::max() ? 1 : handle + 1;
    } while (units_.count(handle) != 0);
    lastHandle_ = handle;
    units_.emplace(handle, Connection{std::move(unit), std::move(cable)});
    return handle;
}

Status UnitRegistry::close(int32_t handle) {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(handle);
    if (it == units_.end())
        return STATUS_BAD_HANDLE;
    const Connection& connection = it->second;
    connection.cable.carry();
    if (connection.cable.unplugged()) {
        units_.erase(it);
        return STATUS_LINK_LOST;
    }
    if (connection.unit->config().faults.fails(Operation::CloseSCA))
        return STATUS_INJECTED_FAULT;
    units_.erase(it);
    return STATUS_OK;
}

Status UnitRegistry::with(int32_t handle, const std::function<Status(SimDevice&)>& action) {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(handle);
    if (it == units_.end())
        return STATUS_BAD_HANDLE;
    it->second.cable.carry();
    if (it->second.cable.unplugged())
        return STATUS_LINK_LOST;
    SimDevice& unit = *it->second.unit;
    const size_t notesBefore = unit.notes().size();
    const Status status = action(unit);
    passOnNotes(unit, notesBefore);
    return status;
}

size_t UnitRegistry::openCount() const {
    std::lock_guard lock(mutex_);
    return units_.size();
}

} // namespace kivo::sim
