#include "Nvram.h"
#include "TextParse.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace kivo::sim {

namespace {

constexpr int FORMAT_VERSION = 1;
constexpr std::streamsize MAX_FILE_BYTES = 16 * 1024;

struct Key {
    const char* name;
    int32_t DeviceSettings::*field;
};
constexpr std::array<Key, 9> KEYS = {{
    {"lld", &DeviceSettings::lld},
    {"uld", &DeviceSettings::uld},
    {"gain", &DeviceSettings::gain},
    {"hv", &DeviceSettings::hv},
    {"integral_mode", &DeviceSettings::integralMode},
    {"analog_mode", &DeviceSettings::analogMode},
    {"cps_range", &DeviceSettings::cpsRange},
    {"response_time", &DeviceSettings::responseTime},
    {"ttl_duration", &DeviceSettings::ttlDuration},
}};

bool writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string nvramText(const DeviceSettings& settings) {
    std::ostringstream out;
    out << "# Kivo simulated detector: saved settings (written by SaveSettings, read at power-up)\n"
        << "[nvram]\n"
        << "version = " << FORMAT_VERSION << '\n';
    for (const Key& key : KEYS)
        out << key.name << " = " << settings.*key.field << '\n';
    return out.str();
}

NvramLoad loadNvram(const std::string& path, const SettingLimits& limits) {
    NvramLoad result;
    result.settings = factoryDefaults(limits);
    auto corrupt = [&](const std::string& why) {
        result.state = NvramLoad::State::Corrupt;
        result.message = "saved settings \"" + path + "\" " + why + "; using factory defaults";
        return result;
    };

    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec))
        return result;
    if (!std::filesystem::is_regular_file(path, ec))
        return corrupt("is not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return corrupt("cannot be read");
    std::string text(static_cast<size_t>(MAX_FILE_BYTES) + 1, '\0');
    in.read(text.data(), MAX_FILE_BYTES + 1);
    text.resize(static_cast<size_t>(in.gcount()));
    if (static_cast<std::streamsize>(text.size()) > MAX_FILE_BYTES)
        return corrupt("is too large");
    if (text.find('\0') != std::string::npos)
        return corrupt("contains binary data");

    std::map<std::string, int32_t> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == '#' || t[0] == ';' || t[0] == '[')
            continue;
        const size_t eq = t.find('=');
        int32_t value = 0;
        if (eq == std::string::npos || !parseNumber(trimmed(t.substr(eq + 1)), value))
            return corrupt("has a malformed line \"" + t.substr(0, 40) + "\"");
        values[trimmed(t.substr(0, eq))] = value;
    }
    if (values.count("version") == 0 || values["version"] != FORMAT_VERSION)
        return corrupt("has no supported version");
    DeviceSettings loaded;
    for (const Key& key : KEYS) {
        const auto it = values.find(key.name);
        if (it == values.end())
            return corrupt(std::string("lacks \"") + key.name + "\"");
        loaded.*key.field = it->second;
    }
    result.state = NvramLoad::State::Loaded;
    result.settings = clampedSettings(loaded, limits);
    return result;
}

bool saveNvram(const std::string& path, const DeviceSettings& settings, std::string& error) {
    namespace fs = std::filesystem;
    if (path.empty()) {
        error = "no file for the saved settings (neither KIVO_SIM_STATE nor a home folder is set)";
        return false;
    }
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec) {
            error = "cannot create \"" + target.parent_path().string() + "\": " + ec.message();
            return false;
        }
    }

    std::string tempName = path + ".XXXXXX";
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        error = "cannot create a temporary file beside \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    const bool written = writeAll(fd, nvramText(settings)) && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        error = "cannot write \"" + tempName + "\": " + std::strerror(written ? errno : writeErrno);
        ::unlink(tempName.c_str());
        return false;
    }
    if (::rename(tempName.c_str(), path.c_str()) != 0) {
        error = "cannot replace \"" + path + "\": " + std::strerror(errno);
        ::unlink(tempName.c_str());
        return false;
    }
    return true;
}

} // namespace kivo::sim
