// Why a picture cannot be read or written, as the user is told: the run-time error that
// names the file and the reason, the same on every platform.
#pragma once

#include <cstdint>
#include <string>

#include "pictures/failure.h"

namespace rt {

// "name (reason)", the file named as the user's system writes it.
std::u16string NamedFile(const std::u16string& path, const std::u16string& reason);

// Raises the error for a failure to read the picture at path; bound is the memory bound
// the reading had.
[[noreturn]] void RaisePictureFailure(const std::u16string& path, const pictures::Failure& failure, int64_t bound);

}  // namespace rt
