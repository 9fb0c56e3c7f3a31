// The families as modules of the Linux program, opened with dlopen the first time a
// picture needs one: beside the program in the build tree, or in the package's library
// folder (ORVENNA_MODULE_FOLDER, relative to the program's folder) once installed. The
// program's path comes from /proc/self/exe, so no environment variable is trusted.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>

#include "pictures/modules/module.h"

namespace pictures {

namespace {

struct Entry {
    const char* file;
    const char* symbol;
};

constexpr Entry kEntries[] = {
    {"orvenna-heif.so", "orvenna_heif_module"},
    {"orvenna-avif.so", "orvenna_avif_module"},
    {"orvenna-jxl.so", "orvenna_jxl_module"},
    {"orvenna-metadata.so", "orvenna_metadata_module"},
};

std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || size_t(n) >= path.size()) return {};
    path.resize(size_t(n));
    return path.substr(0, path.find_last_of('/') + 1);
}

// The family's record, or null with the reason in `error`.
const PictureModule* Open(const Entry& entry, std::string& error) {
    const std::string folder = ProgramFolder();
    if (folder.empty()) {
        error = "the program's own path is unknown";
        return nullptr;
    }
    const std::string candidates[] = {folder + entry.file, folder + ORVENNA_MODULE_FOLDER "/" + entry.file};
    for (const std::string& path : candidates) {
        if (access(path.c_str(), F_OK) != 0) continue;
        // Bound now: a symbol missing is a failure here, not a crash in the middle of a picture.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            error = dlerror();
            return nullptr;
        }
        using EntryFunction = const PictureModule* (*)();
        const auto function = reinterpret_cast<EntryFunction>(dlsym(handle, entry.symbol));
        const PictureModule* module = function ? function() : nullptr;
        if (!module || std::strcmp(module->build, ORVENNA_MODULE_BUILD) != 0) {
            error = path + " belongs to another build of the program";
            dlclose(handle);
            return nullptr;
        }
        return module;  // kept open for the rest of the run
    }
    error = std::string(entry.file) + " is neither beside the program nor in " + folder + ORVENNA_MODULE_FOLDER;
    return nullptr;
}

struct Loaded {
    std::once_flag once;
    const PictureModule* module = nullptr;
    std::string error;
};

}  // namespace

const PictureModule& LoadFamily(Family family, Failure::Kind missing) {
    static Loaded loaded[std::size(kEntries)];
    Loaded& slot = loaded[size_t(family)];
    std::call_once(slot.once, [&] { slot.module = Open(kEntries[size_t(family)], slot.error); });
    if (!slot.module) Fail(missing, MissingFamily(family, slot.error));
    return *slot.module;
}

}  // namespace pictures
