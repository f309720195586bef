// The unit's non-volatile memory: a small human-readable file holding the saved settings.
//
//   # Kivo simulated detector: saved settings
//   [nvram]
//   version = 1
//   lld = 41
//   ...
//
// Saving writes a temporary file beside the target and renames it over the target, so the file is
// always either the old or the new content. A file that is missing, unreadable, of another version or
// lacks any setting is treated as blank memory: the unit powers up with factory defaults.
#pragma once

#include "DeviceSettings.h"

#include <string>

namespace kivo::sim {

struct NvramLoad {
    enum class State { Loaded, Missing, Corrupt };
    State state = State::Missing;
    DeviceSettings settings; // loaded and clamped values, or the factory defaults
    std::string message;     // why the file was not used (empty when Loaded or Missing)
};

NvramLoad loadNvram(const std::string& path, const SettingLimits& limits);

// Writes `settings` atomically, creating the folder when needed. On failure `error` says why and the
// previous file is untouched.
bool saveNvram(const std::string& path, const DeviceSettings& settings, std::string& error);

// The file's text for `settings` (what saveNvram writes).
std::string nvramText(const DeviceSettings& settings);

} // namespace kivo::sim
