// Status codes the simulated unit returns from its six operations; 0 is success as for every Kivo library.
#pragma once

#include <cstdint>

namespace kivo::sim {

enum Status : int32_t {
    STATUS_OK = 0,
    STATUS_BAD_HANDLE = 1,     // no open connection has this handle
    STATUS_UNKNOWN_PARAM = 2,  // no device knows this parameter id
    STATUS_BAD_SIZE = 3,       // buffer size does not match the parameter
    STATUS_NULL_POINTER = 4,   // a required buffer address is null
    STATUS_READ_ONLY = 5,      // identity texts and level info cannot be written
    STATUS_INJECTED_FAULT = 6, // the test configuration asked this operation to fail
    STATUS_STORAGE_ERROR = 7,  // the non-volatile memory file could not be written
    STATUS_INTERNAL_ERROR = 8, // out of memory or another unexpected condition
    STATUS_LINK_LOST = 9,      // the unit does not answer: unplugged, without power or hung
};

} // namespace kivo::sim
