// Where the dynamic loader looks for a library named without a folder. Knowing this lets the device
// link tell "no such library here" from "a library is here but cannot be loaded" from facts, never
// from the wording of the loader's error message (which follows the user's language).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kivo::loader {

// The folders an ld.so.conf file names, in order, following its "include" lines (glob patterns,
// relative ones taken from the including file's folder). Comments, blank and "hwcap" lines are
// skipped; an unreadable file adds nothing.
std::vector<std::filesystem::path> configuredFolders(const std::filesystem::path& confFile);

// The folders the loader searches for a dlopen() by this program: LD_LIBRARY_PATH, the program's
// RUNPATH and the default folders as the loader itself reports them, then the folders of
// /etc/ld.so.conf, whose libraries it finds through its cache.
std::vector<std::filesystem::path> searchFolders();

// The first file called `name` in searchFolders(); empty when there is none.
std::filesystem::path findOnSearchPath(const std::string& name);

} // namespace kivo::loader
