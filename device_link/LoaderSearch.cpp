#include "LoaderSearch.h"

#include <dlfcn.h>
#include <glob.h>

#include <cstddef>
#include <fstream>
#include <memory>
#include <system_error>

namespace kivo::loader {

namespace fs = std::filesystem;

namespace {

constexpr int MAX_INCLUDE_DEPTH = 8; // include loops end here

std::string trimmed(const std::string& line) {
    const char* blanks = " \t\r";
    const size_t first = line.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

void readConf(const fs::path& file, int depth, std::vector<fs::path>& out) {
    if (depth > MAX_INCLUDE_DEPTH)
        return;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty() || line.rfind("hwcap", 0) == 0)
            continue;
        if (line.rfind("include", 0) == 0 && line.size() > 7 && (line[7] == ' ' || line[7] == '\t')) {
            fs::path pattern = trimmed(line.substr(8));
            if (pattern.is_relative())
                pattern = file.parent_path() / pattern;
            glob_t matches{};
            if (::glob(pattern.c_str(), 0, nullptr, &matches) == 0)
                for (size_t i = 0; i < matches.gl_pathc; ++i)
                    readConf(matches.gl_pathv[i], depth + 1, out);
            ::globfree(&matches);
            continue;
        }
        out.emplace_back(line);
    }
}

// The loader's own search list for dlopen() calls made by the program (dlinfo RTLD_DI_SERINFO).
std::vector<fs::path> programSearchList() {
    std::vector<fs::path> folders;
    void* self = dlopen(nullptr, RTLD_NOW);
    if (!self)
        return folders;
    Dl_serinfo size{};
    if (dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        // Dl_serinfo ends in a flexible array; the loader fills the size it asked for.
        auto buffer = std::make_unique<std::max_align_t[]>(size.dls_size / sizeof(std::max_align_t) + 1);
        auto* info = reinterpret_cast<Dl_serinfo*>(buffer.get());
        *info = size;
        if (dlinfo(self, RTLD_DI_SERINFOSIZE, info) == 0 && dlinfo(self, RTLD_DI_SERINFO, info) == 0)
            for (unsigned i = 0; i < info->dls_cnt; ++i)
                folders.emplace_back(info->dls_serpath[i].dls_name);
    }
    dlclose(self);
    return folders;
}

} // namespace

std::vector<fs::path> configuredFolders(const fs::path& confFile) {
    std::vector<fs::path> folders;
    readConf(confFile, 0, folders);
    return folders;
}

std::vector<fs::path> searchFolders() {
    std::vector<fs::path> folders = programSearchList();
    for (fs::path& folder : configuredFolders("/etc/ld.so.conf"))
        folders.push_back(std::move(folder));
    return folders;
}

fs::path findOnSearchPath(const std::string& name) {
    for (const fs::path& folder : searchFolders()) {
        std::error_code ec;
        const fs::path candidate = folder / name;
        if (fs::exists(candidate, ec))
            return candidate;
    }
    return {};
}

} // namespace kivo::loader
