/* Stands in for a real unit's own libKivoLib.so: the six functions and nothing that names the
   simulated detector. */
#include <stdint.h>

#define EXPORT __attribute__((visibility("default")))

EXPORT int32_t OpenSCA(int32_t port) { return port + 5; }
EXPORT int32_t CloseSCA(int32_t handle) { return handle == 5 ? 0 : 1; }
EXPORT int32_t GetParam(int32_t handle, int32_t id, void* buffer, int32_t size) {
    (void)id, (void)buffer, (void)size;
    return handle == 5 ? 0 : 1;
}
EXPORT int32_t SetParam(int32_t handle, int32_t id, const void* value, int32_t size) {
    (void)id, (void)value, (void)size;
    return handle == 5 ? 0 : 1;
}
EXPORT int32_t ReadCPS(int32_t handle, int32_t* cps, int32_t* fresh) {
    *cps = 100;
    *fresh = 1;
    return handle == 5 ? 0 : 1;
}
EXPORT int32_t SaveSettings(int32_t handle) { return handle == 5 ? 0 : 1; }
