/* A device library that lacks most of the six functions: only opening and closing exist. */
#include <stdint.h>

__attribute__((visibility("default"))) int32_t OpenSCA(int32_t port) { return port + 42; }
__attribute__((visibility("default"))) int32_t CloseSCA(int32_t handle) { return handle == 42 ? 0 : 1; }
