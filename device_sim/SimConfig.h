// What kind of unit the simulator plays and how it behaves, read when a connection is opened so that a
// test can change it between opens. Sources, later ones winning:
//   built-in defaults (a Kivo-VR unit) -> the file named by KIVO_SIM_CONFIG -> KIVO_SIM_* variables.
//
// Config file: "key = value" lines; '#' or ';' start a comment line; [section] lines are ignored.
//   key            variable                value
//   product        KIVO_SIM_PRODUCT        product name text (at most 32 bytes are reported)
//   manufacturer   KIVO_SIM_MANUFACTURER   manufacturer text
//   serial         KIVO_SIM_SERIAL         serial number text
//   firmware       KIVO_SIM_FIRMWARE       firmware version text, e.g. 2.0.1
//   date           KIVO_SIM_DATE           production date text, YYYYMMDD
//   levels         KIVO_SIM_LEVELS         discriminator level count, 16..65536
//   fail           KIVO_SIM_FAIL           fault injection, see FaultPlan.h
//   reading_ms     KIVO_SIM_READING_MS     period of fresh count-rate readings, 1..60000 ms
//   seed           KIVO_SIM_SEED           seed of the count noise (unset: a random seed per connection)
//   state          KIVO_SIM_STATE          the non-volatile memory file
//   latency_ms     KIVO_SIM_LATENCY_MS     time every call on the link takes, 0..60000 ms
//   unplug         KIVO_SIM_UNPLUG         control file: while it exists the unit is unplugged
// Identity texts are passed on verbatim so that callers can be tested against odd values.
#pragma once

#include "FaultPlan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivo::sim {

struct SimConfig {
    std::string productName = "Kivo-VR";
    std::string manufacturer = "Veltrano Instruments";
    std::string serialNumber = "VR-24-03117";
    std::string firmwareVersion = "2.0.1";
    std::string productionDate = "20240315";
    int32_t levels = 2048;
    FaultPlan faults;
    int32_t readingPeriodMs = 250;
    std::optional<uint64_t> seed;
    std::string statePath;             // empty: defaultStatePath()
    int32_t latencyMs = 0;             // each call on the link takes this long
    std::string unplugPath;            // empty: the unit is never unplugged
    std::vector<std::string> warnings; // rejected values, one readable line each

    // The non-volatile memory file in use: statePath, else defaultStatePath().
    std::string nvramPath() const;
    // Firmware 1.2 and later has the long CPS range list (29 entries instead of 8).
    bool hasExtendedRanges() const;
};

// Reads KIVO_SIM_CONFIG and the KIVO_SIM_* variables of the current environment.
SimConfig loadSimConfig();

// Applies one "key = value" setting (config file key names); false with a warning when rejected.
bool applyConfigValue(SimConfig& config, const std::string& key, const std::string& value);

// $XDG_STATE_HOME/kivo-sim/nvram.ini, else ~/.local/state/kivo-sim/nvram.ini; empty when no home is known.
std::string defaultStatePath();

} // namespace kivo::sim
