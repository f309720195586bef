// Opens the device as the program does and prints what the device link loaded: the file in use, the
// handle, and every report, one per line ("loaded=", "handle=", "report=").
#include "DeviceLink.h"

#include <cstdio>
#include <string>
#include <vector>

int main() {
    kivo::DeviceLink& link = kivo::DeviceLink::instance();
    std::vector<std::string> reports;
    link.setErrorReporter([&reports](const std::string& message) { reports.push_back(message); });
    const int32_t handle = link.OpenSCA(0);
    std::printf("loaded=%s\nhandle=%d\n", link.loadedLibrary().c_str(), int(handle));
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
