// The six C functions of libKivoLib.so, backed by the simulated unit, and the identity that tells the
// simulator from a real unit's library. Nothing may escape to a C caller: every exception becomes a
// failure status (or a 0 handle).
#include "KivoLibApi.h"

#include "UnitRegistry.h"

#include <cstdio>

#ifndef KIVO_SIM_VERSION
#error "KIVO_SIM_VERSION must give the simulated detector's version"
#endif

using kivo::sim::SimDevice;
using kivo::sim::Status;
using kivo::sim::UnitRegistry;

namespace {

UnitRegistry& registry() {
    static UnitRegistry units(
        [](const std::string& note) { std::fprintf(stderr, "kivo-sim: %s\n", note.c_str()); });
    return units;
}

template <typename F> int32_t guarded(F&& call) {
    try {
        return call();
    } catch (...) {
        return kivo::sim::STATUS_INTERNAL_ERROR;
    }
}

} // namespace

extern "C" {

int32_t OpenSCA(int32_t port) {
    try {
        return registry().open(port);
    } catch (...) {
        return 0;
    }
}

int32_t CloseSCA(int32_t handle) {
    return guarded([&] { return registry().close(handle); });
}

int32_t GetParam(int32_t handle, int32_t id, void* buffer, int32_t size) {
    return guarded([&] {
        return registry().with(handle, [&](SimDevice& unit) { return unit.getParam(id, buffer, size); });
    });
}

int32_t SetParam(int32_t handle, int32_t id, const void* value, int32_t size) {
    return guarded([&] {
        return registry().with(handle, [&](SimDevice& unit) { return unit.setParam(id, value, size); });
    });
}

int32_t ReadCPS(int32_t handle, int32_t* cps, int32_t* fresh) {
    return guarded(
        [&] { return registry().with(handle, [&](SimDevice& unit) { return unit.readCps(cps, fresh); }); });
}

int32_t SaveSettings(int32_t handle) {
    return guarded(
        [&] { return registry().with(handle, [](SimDevice& unit) { return unit.saveSettings(); }); });
}

const char* KivoSimulatorIdentity(void) {
    return "KivoPanel simulated detector " KIVO_SIM_VERSION;
}

} // extern "C"
