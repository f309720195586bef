#include "DeviceLink.h"

#include "KivoLibApi.h"
#include "LoaderSearch.h"
#include "ProgramFolders.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kivo {

namespace {

bool fileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

void* openLibrary(const std::string& path, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        error = text ? text : "unknown error";
    }
    return handle;
}

} // namespace

DeviceLink& DeviceLink::instance() {
    static DeviceLink link;
    return link;
}

std::string DeviceLink::libraryPath() {
    if (const char* env = std::getenv(LIBRARY_ENV); env && *env)
        return env;
    const auto& layout = folders::current();
    if (!layout.libraryFolder.empty()) {
        const auto candidate = layout.libraryFolder / DEFAULT_LIBRARY;
        if (fileExists(candidate))
            return candidate.string();
    }
    return DEFAULT_LIBRARY;
}

std::string DeviceLink::loadedLibrary() const {
    link_map* map = nullptr;
    if (!handle_ || dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
        return {};
    return map->l_name;
}

bool DeviceLink::load() {
    const char* env = std::getenv(LIBRARY_ENV);
    std::string path = libraryPath();
    LibraryOrigin origin = env && *env               ? LibraryOrigin::Environment
                           : path == DEFAULT_LIBRARY ? LibraryOrigin::SearchPath
                                                     : LibraryOrigin::ProgramFolder;
    std::string error;
    handle_ = openLibrary(path, error);
    // A real unit's library installed system-wide takes precedence over the simulated detector, which
    // therefore sits apart from the program's own library folder and is loaded only when the search
    // path holds no libKivoLib.so at all. One that is there but cannot be loaded (another
    // architecture, a dependency of its own missing) is reported, never replaced. Whether one is there
    // is looked up, not read from the loader's message: that follows the user's language.
    std::filesystem::path onSearchPath;
    if (!handle_ && origin == LibraryOrigin::SearchPath) {
        onSearchPath = loader::findOnSearchPath(DEFAULT_LIBRARY);
        const auto& simulatorFolder = folders::current().simulatorFolder;
        if (onSearchPath.empty() && !simulatorFolder.empty() &&
            fileExists(simulatorFolder / DEFAULT_LIBRARY)) {
            path = (simulatorFolder / DEFAULT_LIBRARY).string();
            origin = LibraryOrigin::SimulatorFallback;
            handle_ = openLibrary(path, error);
        }
    }
    if (!handle_) {
        loadFailed_ = true;
        const std::string found =
            onSearchPath.empty() ? std::string() : "\n(found at \"" + onSearchPath.string() + "\")";
        report("The device library \"" + path + "\" could not be loaded:\n" + error + found +
               "\n\nNo device can be reached.");
        return false;
    }
    handlePath_ = path;
    origin_ = origin;
    table_.simulatorIdentity =
        reinterpret_cast<decltype(table_.simulatorIdentity)>(dlsym(handle_, KIVOLIB_SIMULATOR_SYMBOL));
    return true;
}

std::string DeviceLink::simulatorIdentity() const {
    const KivoFunctions& table = override_ ? *override_ : table_;
    const char* identity = table.simulatorIdentity ? table.simulatorIdentity() : nullptr;
    return identity ? identity : "";
}

bool DeviceLink::isSimulator() const {
    return !simulatorIdentity().empty();
}

void DeviceLink::setErrorReporter(ErrorReporter reporter) {
    reporter_ = std::move(reporter);
}

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
        handlePath_.clear();
        origin_ = LibraryOrigin::None;
    }
}

void DeviceLink::report(const std::string& message) {
    if (reporter_)
        reporter_(message);
}

void* DeviceLink::resolve(const char* name) {
    if (loadFailed_)
        return nullptr;
    if (!handle_ && !load())
        return nullptr;
    dlerror();
    void* sym = dlsym(handle_, name);
    if (!sym) {
        const std::string key = std::string(" ") + name + " ";
        if (reportedSymbols_.find(key) == std::string::npos) {
            reportedSymbols_ += key;
            const char* err = dlerror();
            report("The device library \"" + handlePath_ + "\" has no function \"" + name + "\":\n" +
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
