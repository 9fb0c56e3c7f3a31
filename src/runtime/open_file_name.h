// The common part of the open-file call (platform/get_open_file_name.h): the 8-bit text
// blocks its record points at, and storing a chosen file into the record. A backend's
// open dialog uses these.
#pragma once

#include <cstdint>
#include <string>

#include "platform/get_open_file_name.h"

namespace rt {

// The text of a block up to its first NUL; empty for a null pointer.
std::string AnsiText(platform::LPSTR32 address);

// Writes the chosen file (a host path) into the record: the path in Windows form,
// NUL-terminated, into the file buffer, the offsets of its name and extension, and the
// name into the title buffer. Returns 1, or 0 when the path does not fit into nMaxFile
// bytes with its NUL.
int32_t StoreOpenChoice(platform::OPENFILENAMEA& record, const std::string& hostPath);

}  // namespace rt
