// Files by their host paths on Windows: the host path's UTF-8 is read as the wide path
// the system takes.
#include <cstdio>

#include "runtime/file_input_host.h"

namespace rt {

std::filesystem::path FileSystemPath(const std::string& hostPath) {
    return std::filesystem::path(std::u8string(hostPath.begin(), hostPath.end()));
}

std::FILE* OpenBytes(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"rb"); }

bool SeekFile(std::FILE* file, int64_t offset) { return _fseeki64(file, offset, SEEK_SET) == 0; }

// Large pages on Windows need a privilege users do not have: nothing is asked.
void PreferLargePages(void*, size_t) {}

}  // namespace rt
