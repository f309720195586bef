#include "DeviceLink.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kivo {

DeviceLink& DeviceLink::instance() {
    static DeviceLink link;
    return link;
}

std::string DeviceLink::libraryPath() {
    if (const char* env = std::getenv(LIBRARY_ENV); env && *env)
        return env;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const auto candidate = exe.parent_path() / DEFAULT_LIBRARY;
        if (std::filesystem::exists(candidate, ec))
            return candidate.string();
    }
    return DEFAULT_LIBRARY;
}

void DeviceLink::setErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

void DeviceLink::overrideFunctions(const KivoFunctions* table) {
    override_ = table;
    if (!table) {
        table_ = KivoFunctions{};
        loadFailed_ = false;
        reportedSymbols_.clear();
        // Forget the loaded library too, so the next call binds whatever KIVOLIB_LIBRARY names then.
        if (handle_) {
            dlclose(handle_);
            handle_ = nullptr;
        }
    }
}

void DeviceLink::report(const std::string& message) {
    if (reporter_)
        reporter_(message);
}

void* DeviceLink::resolve(const char* name) {
    if (loadFailed_)
        return nullptr;
    if (!handle_) {
        const std::string path = libraryPath();
        dlerror();
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            loadFailed_ = true;
            const char* err = dlerror();
            report("The device library \"" + path + "\" could not be loaded:\n" + (err ? err : "unknown error") +
                   "\n\nNo device can be reached.");
            return nullptr;
        }
    }
    dlerror();
    void* sym = dlsym(handle_, name);
    if (!sym) {
        const std::string key = std::string(" ") + name + " ";
        if (reportedSymbols_.find(key) == std::string::npos) {
            reportedSymbols_ += key;
            const char* err = dlerror();
            report("The device library \"" + libraryPath() + "\" has no function \"" + name + "\":\n" +
                   (err ? err : "symbol not found"));
        }
    }
    return sym;
}

template <typename Fn> Fn DeviceLink::bound(Fn KivoFunctions::*slot, const char* name) {
    if (override_)
        return override_->*slot;
    if (!(table_.*slot))
        table_.*slot = reinterpret_cast<Fn>(resolve(name));
    return table_.*slot;
}

int32_t DeviceLink::OpenSCA(int32_t port) {
    auto fn = bound(&KivoFunctions::openSCA, "OpenSCA");
    return fn ? fn(port) : 0;
}

int32_t DeviceLink::CloseSCA(int32_t handle) {
    auto fn = bound(&KivoFunctions::closeSCA, "CloseSCA");
    return fn ? fn(handle) : LINK_FAILURE;
}

int32_t DeviceLink::GetParam(int32_t handle, int32_t id, void* buffer, int32_t size) {
    auto fn = bound(&KivoFunctions::getParam, "GetParam");
    return fn ? fn(handle, id, buffer, size) : LINK_FAILURE;
}

int32_t DeviceLink::SetParam(int32_t handle, int32_t id, int32_t value) {
    auto fn = bound(&KivoFunctions::setParam, "SetParam");
    return fn ? fn(handle, id, &value, static_cast<int32_t>(sizeof value)) : LINK_FAILURE;
}

int32_t DeviceLink::ReadCPS(int32_t handle, int32_t* cps, int32_t* fresh) {
    auto fn = bound(&KivoFunctions::readCPS, "ReadCPS");
    return fn ? fn(handle, cps, fresh) : LINK_FAILURE;
}

int32_t DeviceLink::SaveSettings(int32_t handle) {
    auto fn = bound(&KivoFunctions::saveSettings, "SaveSettings");
    return fn ? fn(handle) : LINK_FAILURE;
}

} // namespace kivo
