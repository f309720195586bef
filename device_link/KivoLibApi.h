// The C interface of the device link library libKivoLib.so. A real device's library and our
// simulated detector both export these six functions with C linkage; the simulated detector alone
// also exports KivoSimulatorIdentity, by which the program knows it is not talking to a real unit.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KIVOLIB_EXPORT __attribute__((visibility("default")))

// Opens a connection; returns a non-zero handle, or 0 when no device could be opened.
KIVOLIB_EXPORT int32_t OpenSCA(int32_t port);
// Closes a connection. Returns 0 on success.
KIVOLIB_EXPORT int32_t CloseSCA(int32_t handle);
// Reads parameter `id` into `buffer` of `size` bytes (32 for texts, 4 for numbers, 12 for level info).
KIVOLIB_EXPORT int32_t GetParam(int32_t handle, int32_t id, void* buffer, int32_t size);
// Writes parameter `id` from `value` of `size` bytes (always 4: one 32-bit signed value).
KIVOLIB_EXPORT int32_t SetParam(int32_t handle, int32_t id, const void* value, int32_t size);
// Reads the count rate; `fresh` is non-zero when the value is a new reading since the last call.
KIVOLIB_EXPORT int32_t ReadCPS(int32_t handle, int32_t* cps, int32_t* fresh);
// Copies the current settings into the unit's permanent memory.
KIVOLIB_EXPORT int32_t SaveSettings(int32_t handle);

// Simulated detector only: what it is and its version, e.g. "KivoPanel simulated detector 1.0.0".
#define KIVOLIB_SIMULATOR_SYMBOL "KivoSimulatorIdentity"
KIVOLIB_EXPORT const char* KivoSimulatorIdentity(void);

#ifdef __cplusplus
}
#endif
