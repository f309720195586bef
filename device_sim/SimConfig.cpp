#include "SimConfig.h"
#include "TextParse.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <utility>

namespace kivo::sim {

namespace {

constexpr int32_t MIN_LEVELS = 16;
constexpr int32_t MAX_LEVELS = 65536;
constexpr int32_t MAX_READING_MS = 60000;
constexpr int32_t MAX_LATENCY_MS = 60000;
constexpr std::streamsize MAX_CONFIG_BYTES = 64 * 1024;

// Config file key and the variable that overrides it.
constexpr std::array<std::pair<const char*, const char*>, 12> KEYS = {{
    {"product", "KIVO_SIM_PRODUCT"},
    {"manufacturer", "KIVO_SIM_MANUFACTURER"},
    {"serial", "KIVO_SIM_SERIAL"},
    {"firmware", "KIVO_SIM_FIRMWARE"},
    {"date", "KIVO_SIM_DATE"},
    {"levels", "KIVO_SIM_LEVELS"},
    {"fail", "KIVO_SIM_FAIL"},
    {"reading_ms", "KIVO_SIM_READING_MS"},
    {"seed", "KIVO_SIM_SEED"},
    {"state", "KIVO_SIM_STATE"},
    {"latency_ms", "KIVO_SIM_LATENCY_MS"},
    {"unplug", "KIVO_SIM_UNPLUG"},
}};

void readConfigFile(SimConfig& config, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        config.warnings.push_back("config file \"" + path + "\" cannot be read; using the defaults");
        return;
    }
    std::string line;
    int lineNo = 0;
    std::streamsize total = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        // The last line may end without a newline: count only the bytes the file holds.
        total += static_cast<std::streamsize>(line.size()) + (in.eof() ? 0 : 1);
        if (total > MAX_CONFIG_BYTES) {
            config.warnings.push_back("config file \"" + path + "\" is too large; the rest is ignored");
            return;
        }
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == '#' || t[0] == ';' || t[0] == '[')
            continue;
        const size_t eq = t.find('=');
        if (eq == std::string::npos) {
            config.warnings.push_back("config file \"" + path + "\" line " + std::to_string(lineNo) +
                                      " ignored: expected key = value");
            continue;
        }
        applyConfigValue(config, trimmed(t.substr(0, eq)), trimmed(t.substr(eq + 1)));
    }
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir)
        return pw->pw_dir;
    return {};
}

} // namespace

bool applyConfigValue(SimConfig& config, const std::string& key, const std::string& value) {
    auto reject = [&](const std::string& why) {
        config.warnings.push_back(key + " = \"" + value + "\" ignored: " + why);
        return false;
    };
    if (key == "product")
        config.productName = value;
    else if (key == "manufacturer")
        config.manufacturer = value;
    else if (key == "serial")
        config.serialNumber = value;
    else if (key == "firmware")
        config.firmwareVersion = value;
    else if (key == "date")
        config.productionDate = value;
    else if (key == "levels") {
        int32_t levels = 0;
        if (!parseNumber(value, levels) || levels < MIN_LEVELS || levels > MAX_LEVELS)
            return reject("expected a level count from 16 to 65536");
        config.levels = levels;
    } else if (key == "fail") {
        config.faults = FaultPlan::parse(value, &config.warnings);
    } else if (key == "reading_ms") {
        int32_t ms = 0;
        if (!parseNumber(value, ms) || ms < 1 || ms > MAX_READING_MS)
            return reject("expected milliseconds from 1 to 60000");
        config.readingPeriodMs = ms;
    } else if (key == "seed") {
        uint64_t seed = 0;
        if (!parseNumber(value, seed))
            return reject("expected an unsigned integer");
        config.seed = seed;
    } else if (key == "state") {
        config.statePath = value;
    } else if (key == "latency_ms") {
        int32_t ms = 0;
        if (!parseNumber(value, ms) || ms < 0 || ms > MAX_LATENCY_MS)
            return reject("expected milliseconds from 0 to 60000");
        config.latencyMs = ms;
    } else if (key == "unplug") {
        config.unplugPath = value;
    } else {
        return reject("unknown key");
    }
    return true;
}

SimConfig loadSimConfig() {
    SimConfig config;
    if (const char* file = std::getenv("KIVO_SIM_CONFIG"); file && *file)
        readConfigFile(config, file);
    for (const auto& [key, variable] : KEYS) {
        const char* value = std::getenv(variable);
        if (!value)
            continue;
        // An empty number means "not set"; an empty text is a legitimate (odd) identity.
        const std::string_view k = key;
        if (!*value && (k == "levels" || k == "reading_ms" || k == "seed" || k == "state" ||
                        k == "latency_ms" || k == "unplug"))
            continue;
        applyConfigValue(config, key, value);
    }
    return config;
}

std::string defaultStatePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const std::string home = homeFolder(); !home.empty())
        base = home + "/.local/state";
    else
        return {};
    return base + "/kivo-sim/nvram.ini";
}

std::string SimConfig::nvramPath() const {
    return statePath.empty() ? defaultStatePath() : statePath;
}

bool SimConfig::hasExtendedRanges() const {
    // Version text "a.b.c": the leading number of each part counts.
    int parts[2] = {0, 0};
    const char* p = firmwareVersion.c_str();
    for (int& part : parts) {
        std::from_chars(p, p + std::char_traits<char>::length(p), part);
        const char* dot = std::char_traits<char>::find(p, std::char_traits<char>::length(p), '.');
        if (!dot)
            break;
        p = dot + 1;
    }
    return (parts[0] >= 1 && parts[1] >= 2) || parts[0] >= 2;
}

} // namespace kivo::sim
