// Why a picture cannot be read or written. Readers and writers throw it; the runtime turns
// it into the run-time error the user sees, naming the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pictures {

struct Failure {
    enum Kind {
        NotAPicture,  // in no format this program reads
        NoSize,       // its header gives no size
        Damaged,      // the decoder refused it; detail says why
        Truncated,    // the file ends before the picture does
        TooLarge,     // decoding would pass the memory bound
        OutOfMemory,  // the system refused memory within the bound
        WriteFailed,  // an encoder failed; detail says why
    };
    Kind kind;
    std::u16string detail;
    // For a picture refused as too large before decoding: what its header declared (the
    // upright size and the bytes decoding would take) and the bound it passed.
    int64_t width = 0, height = 0, bytes = 0, bound = 0;
};

[[noreturn]] inline void Fail(Failure::Kind kind, std::u16string detail = {}) { throw Failure{kind, std::move(detail)}; }

// A library's message (ASCII or UTF-8 bytes) as detail text; bytes past ASCII are kept
// as their Latin-1 reading, which is enough for the libraries' English messages.
std::u16string Text(std::string_view message);

}  // namespace pictures
