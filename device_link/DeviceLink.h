// The program's one way to the device library: each of the six operations is resolved by name at its
// first call. A missing library or function is reported once through the error reporter and the call
// then fails like a device failure (non-zero status, or a 0 handle from OpenSCA).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kivo {

// The function table the link calls through. Entries left null are resolved from the library on demand.
// `simulatorIdentity` is no device operation: only the simulated detector has it (KivoLibApi.h), and
// the link looks it up when it loads a library; a test table sets it to pose as the simulator.
struct KivoFunctions {
    int32_t (*openSCA)(int32_t port) = nullptr;
    int32_t (*closeSCA)(int32_t handle) = nullptr;
    int32_t (*getParam)(int32_t handle, int32_t id, void* buffer, int32_t size) = nullptr;
    int32_t (*setParam)(int32_t handle, int32_t id, const void* value, int32_t size) = nullptr;
    int32_t (*readCPS)(int32_t handle, int32_t* cps, int32_t* fresh) = nullptr;
    int32_t (*saveSettings)(int32_t handle) = nullptr;
    const char* (*simulatorIdentity)() = nullptr;
};

// Which step of the lookup found the loaded library.
enum class LibraryOrigin {
    None,              // nothing loaded yet, or calls go through a test table
    Environment,       // the file $KIVOLIB_LIBRARY names
    ProgramFolder,     // libKivoLib.so in the program's own library folder
    SearchPath,        // the loader's search path: a library installed system-wide
    SimulatorFallback, // the simulated detector installed with the program: no libKivoLib.so anywhere
};

class DeviceLink {
public:
    // Status returned when the library or one of its functions cannot be bound.
    static constexpr int32_t LINK_FAILURE = -1000;
    static constexpr const char* DEFAULT_LIBRARY = "libKivoLib.so";
    static constexpr const char* LIBRARY_ENV = "KIVOLIB_LIBRARY";

    using ErrorReporter = std::function<void(const std::string& message)>;

    static DeviceLink& instance();

    int32_t OpenSCA(int32_t port);
    int32_t CloseSCA(int32_t handle);
    int32_t GetParam(int32_t handle, int32_t id, void* buffer, int32_t size);
    int32_t SetParam(int32_t handle, int32_t id, int32_t value);
    int32_t ReadCPS(int32_t handle, int32_t* cps, int32_t* fresh);
    int32_t SaveSettings(int32_t handle);

    // Receives the one message about a missing library or function (the program shows it in a box).
    void setErrorReporter(ErrorReporter reporter);

    // Test seam: calls go through `table` instead of the library; nullptr returns to binding by name
    // and forgets everything bound or reported so far.
    void overrideFunctions(const KivoFunctions* table);

    // The file the link loads first: $KIVOLIB_LIBRARY, else libKivoLib.so in the program's own library
    // folder when it exists there, else the bare name for the loader's normal search path. When the
    // bare name is found nowhere, the simulated detector installed with the program is loaded instead
    // (see load()).
    static std::string libraryPath();

    // The file actually loaded, as the dynamic loader names it; empty until a call has loaded one.
    std::string loadedLibrary() const;
    // How the loaded library was found; None until a call has loaded one.
    LibraryOrigin libraryOrigin() const { return origin_; }

    // True when the library in use is the simulated detector, wherever it was found: it names itself
    // through KivoSimulatorIdentity, which a real unit's library lacks. Known once a call has loaded
    // the library (after OpenSCA); false before.
    bool isSimulator() const;
    // The simulated detector's own description with its version; empty for any other library.
    std::string simulatorIdentity() const;

    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    DeviceLink() = default;
    ~DeviceLink() = default;

    bool load();
    void* resolve(const char* name);
    template <typename Fn> Fn bound(Fn KivoFunctions::*slot, const char* name);
    void report(const std::string& message);

    KivoFunctions table_;
    const KivoFunctions* override_ = nullptr;
    void* handle_ = nullptr;
    std::string handlePath_; // the name handle_ was opened with
    LibraryOrigin origin_ = LibraryOrigin::None;
    bool loadFailed_ = false;
    std::string reportedSymbols_; // names already reported missing, space-separated
    ErrorReporter reporter_;
};

} // namespace kivo
