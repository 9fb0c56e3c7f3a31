// What reading text files needs of the host system, where the systems differ (backend).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace rt {

// A host path (see HostPath) as the standard library's file calls take it: its bytes on
// Linux; on Windows its UTF-8 read as the wide path the system takes.
std::filesystem::path FileSystemPath(const std::string& hostPath);

// Opens a file for reading bytes; nullptr, with errno set, when it cannot.
std::FILE* OpenBytes(const std::filesystem::path& path);

// Moves a file open for reading to a byte offset, past 2 GB too; false when it cannot.
bool SeekFile(std::FILE* file, int64_t offset);

// A block of memory about to be written once from end to end: where the system has
// large pages, it is asked to back the block with them (a page fault for every 4 KB
// costs more than the writing). A hint; nothing changes where it is not taken.
void PreferLargePages(void* data, size_t bytes);

}  // namespace rt
