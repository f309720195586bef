// Shared by the simulator tests: where the built libKivoLib.so is, its six functions loaded by name,
// and a private non-volatile memory file so no test touches the real home folder.
#pragma once

#include "DeviceLink.h"

#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

namespace simtest {

// The program folder's libKivoLib.so ($KIVO_BIN_DIR from ctest), else the path the build produced.
inline QString builtLibrary() {
    const QByteArray binDir = qgetenv("KIVO_BIN_DIR");
    if (!binDir.isEmpty())
        return QString::fromLocal8Bit(binDir) + "/libKivoLib.so";
    return QStringLiteral(KIVO_SIM_LIBRARY_BUILT);
}

// The six functions of the real library, resolved directly (for calls the program's link cannot make,
// such as a wrong size).
struct LoadedLibrary {
    void* handle = nullptr;
    kivo::KivoFunctions fn;

    bool load() {
        handle = dlopen(builtLibrary().toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return false;
        fn.openSCA = reinterpret_cast<decltype(fn.openSCA)>(dlsym(handle, "OpenSCA"));
        fn.closeSCA = reinterpret_cast<decltype(fn.closeSCA)>(dlsym(handle, "CloseSCA"));
        fn.getParam = reinterpret_cast<decltype(fn.getParam)>(dlsym(handle, "GetParam"));
        fn.setParam = reinterpret_cast<decltype(fn.setParam)>(dlsym(handle, "SetParam"));
        fn.readCPS = reinterpret_cast<decltype(fn.readCPS)>(dlsym(handle, "ReadCPS"));
        fn.saveSettings = reinterpret_cast<decltype(fn.saveSettings)>(dlsym(handle, "SaveSettings"));
        return fn.openSCA && fn.closeSCA && fn.getParam && fn.setParam && fn.readCPS && fn.saveSettings;
    }
    ~LoadedLibrary() {
        if (handle)
            dlclose(handle);
    }
};

// Clears every simulator variable and points the non-volatile memory into `dir`.
inline void isolateSimulator(const QTemporaryDir& dir) {
    for (const char* name :
         {"KIVO_SIM_PRODUCT", "KIVO_SIM_MANUFACTURER", "KIVO_SIM_SERIAL", "KIVO_SIM_FIRMWARE",
          "KIVO_SIM_DATE", "KIVO_SIM_LEVELS", "KIVO_SIM_FAIL", "KIVO_SIM_READING_MS", "KIVO_SIM_SEED",
          "KIVO_SIM_CONFIG", "KIVO_SIM_LATENCY_MS", "KIVO_SIM_UNPLUG"})
        qunsetenv(name);
    qputenv("KIVO_SIM_STATE", dir.filePath("nvram.ini").toLocal8Bit());
    qputenv("XDG_STATE_HOME", dir.filePath("xdg").toLocal8Bit());
}

} // namespace simtest
