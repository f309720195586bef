// Where the program's own files are, found from the running executable so that a moved or relocated
// installation still finds them.
//
// Two layouts exist. In the build folder everything sits beside the program: the executable, its
// libraries (libTrevium.so, the preview module, the simulated detector libKivoLib.so) and the logo.
// Installed, the layout follows the file-system hierarchy: <prefix>/bin holds the programs,
// <prefix>/<libdir>/kivopanel the program's private libraries (the simulated detector in its
// "simulator" subfolder), <prefix>/share/kivopanel the logo. The installed layout is recognised by its
// private library folder.
#pragma once

#include <filesystem>

namespace kivo::folders {

// The installed layout relative to the program folder, as the build configured it.
extern const char* const kPrivateLibraryFolderFromProgram; // e.g. "../lib/kivopanel"
extern const char* const kDataFolderFromProgram;           // e.g. "../share/kivopanel"

struct Layout {
    std::filesystem::path programFolder;   // the executable's folder
    std::filesystem::path libraryFolder;   // the program's own libraries
    std::filesystem::path dataFolder;      // read-only data: the logo
    std::filesystem::path simulatorFolder; // the simulated detector, when apart from libraryFolder
    bool installed = false;
};

// The layout around an executable in `programFolder`.
Layout layoutFor(const std::filesystem::path& programFolder);

// The layout around the running executable (cached after the first call).
const Layout& current();

// The running executable's folder, from /proc/self/exe; empty when it cannot be read.
std::filesystem::path executableFolder();

} // namespace kivo::folders
