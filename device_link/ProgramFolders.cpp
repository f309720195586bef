#include "ProgramFolders.h"

#include <system_error>

#ifndef KIVO_PRIVATE_LIBDIR_FROM_BINDIR
#error "KIVO_PRIVATE_LIBDIR_FROM_BINDIR must name the private library folder relative to the program folder"
#endif
#ifndef KIVO_DATADIR_FROM_BINDIR
#error "KIVO_DATADIR_FROM_BINDIR must name the data folder relative to the program folder"
#endif

namespace kivo::folders {

namespace fs = std::filesystem;

const char* const kPrivateLibraryFolderFromProgram = KIVO_PRIVATE_LIBDIR_FROM_BINDIR;
const char* const kDataFolderFromProgram = KIVO_DATADIR_FROM_BINDIR;

fs::path executableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

Layout layoutFor(const fs::path& programFolder) {
    Layout layout;
    layout.programFolder = programFolder;
    layout.libraryFolder = programFolder;
    layout.dataFolder = programFolder;
    if (programFolder.empty())
        return layout;
    std::error_code ec;
    const fs::path privateLibs = (programFolder / kPrivateLibraryFolderFromProgram).lexically_normal();
    if (fs::is_directory(privateLibs, ec)) {
        layout.installed = true;
        layout.libraryFolder = privateLibs;
        layout.dataFolder = (programFolder / kDataFolderFromProgram).lexically_normal();
        layout.simulatorFolder = privateLibs / "simulator";
    }
    return layout;
}

const Layout& current() {
    static const Layout layout = layoutFor(executableFolder());
    return layout;
}

} // namespace kivo::folders
