// Opens the device as the program does and prints what the device link loaded: the file in use, how it
// was found, whether it is the simulated detector, the handle, and every report, one per line
// ("loaded=", "origin=", "simulator=", "handle=", "report=").
#include "DeviceLink.h"

#include <dlfcn.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// With KIVO_PROBE_FOREIGN_LOADER set, every loader message comes back in German, as it does for a user
// whose locale has the C library's translations, so the lookup is seen not to depend on the wording
// even on a machine without that locale. The link's own calls to dlerror() bind to this definition.
extern "C" char* dlerror() noexcept {
    using Fn = char* (*)();
    static const Fn system = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "dlerror"));
    char* message = system ? system() : nullptr;
    static char german[] = "Die gemeinsame Objektdatei kann nicht geöffnet werden";
    return message && std::getenv("KIVO_PROBE_FOREIGN_LOADER") ? german : message;
}

int main() {
    std::setlocale(LC_ALL, ""); // as every Qt program does: the loader's messages follow the locale
    kivo::DeviceLink& link = kivo::DeviceLink::instance();
    std::vector<std::string> reports;
    link.setErrorReporter([&reports](const std::string& message) { reports.push_back(message); });
    const int32_t handle = link.OpenSCA(0);
    std::printf("loaded=%s\norigin=%d\nsimulator=%s\nhandle=%d\n", link.loadedLibrary().c_str(),
                int(link.libraryOrigin()), link.simulatorIdentity().c_str(), int(handle));
    for (std::string report : reports) {
        for (char& c : report)
            if (c == '\n')
                c = ' ';
        std::printf("report=%s\n", report.c_str());
    }
    if (handle != 0)
        link.CloseSCA(handle);
    return 0;
}
