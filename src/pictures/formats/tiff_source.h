// libtiff reading a file's bytes in memory, its messages kept for the refusal rather than
// printed.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>

#include "pictures/bytes.h"

namespace pictures::tiff {

// What libtiff says about one file.
struct Messages {
    std::string error;        // the first error since it was cleared
    bool endedEarly = false;  // the JPEG decoder ran out of data and made up the rest
};

// The file's bytes as libtiff reads them: mapped, so that strips are decoded from the
// bytes in place rather than copied.
struct Source {
    Bytes file;
    uint64_t at = 0;
};

// The file opened at its first directory, its strip and tile offsets read as they are
// needed rather than all at once, no single allocation of libtiff's past maxAllocation;
// null when libtiff refuses it (why is in messages). source and messages must outlive it.
TIFF* OpenInMemory(Source& source, Messages& messages, int64_t maxAllocation);

}  // namespace pictures::tiff
