// libjpeg reading a JPEG from memory, its errors caught: the decompressor and error
// manager the JPEG reader and the visible-part decoder share.
#pragma once

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <string>

#include "pictures/bytes.h"
#include "pictures/failure.h"

namespace pictures {

// An error ends libjpeg's work through a jump back to the setjmp of the function that
// called it; such functions keep no object with a destructor between the two. A warning
// that the data stops short (the file ends, or a marker comes where data should) ends it
// too: libjpeg would go on and make up grey for the missing part.
struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump;
    bool endedEarly = false;
    int code = 0;
    char message[JMSG_LENGTH_MAX] = {};
};

class JpegDecoder {
public:
    explicit JpegDecoder(Bytes file);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    jpeg_decompress_struct cinfo{};
    JpegErrors errors;

    // Whether jpeg_create_decompress succeeded; when not, nothing else may be called.
    bool Ready() const { return ready_; }
    // The failure for the error or warning that stopped libjpeg.
    [[noreturn]] void Fail() const;

private:
    bool ready_ = false;
};

// Reads the headers up to the first scan; false when libjpeg stopped (see errors).
bool ReadJpegHeader(JpegDecoder& decoder);

int JpegDotsPerMeter(int unit, int density);

}  // namespace pictures
