#include "Cable.h"

#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace kivo::sim {

Cable::Cable(const SimConfig& config) : unplugPath_(config.unplugPath), latencyMs_(config.latencyMs) {}

bool Cable::unplugged() const {
    struct stat info {};
    return !unplugPath_.empty() && ::stat(unplugPath_.c_str(), &info) == 0;
}

void Cable::carry() const {
    if (latencyMs_ > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(latencyMs_));
}

} // namespace kivo::sim
