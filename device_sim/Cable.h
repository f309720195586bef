// The link between the program and one opened unit, as the configuration describes it: how long each
// call takes on it, and whether the cable is plugged in. A control file stands for the cable: while
// the file exists the unit is unplugged, so a test or a user can pull it and plug it back while a
// program runs.
#pragma once

#include "SimConfig.h"

namespace kivo::sim {

class Cable {
public:
    explicit Cable(const SimConfig& config);

    // True while the control file exists. Checked on every call, so only its presence is asked for
    // (one stat); the file is never read.
    bool unplugged() const;
    // Blocks for the time one call takes on the link.
    void carry() const;

private:
    std::string unplugPath_;
    int32_t latencyMs_;
};

} // namespace kivo::sim
