#include "pictures/formats/tiff_source.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "pictures/failure.h"

namespace pictures::tiff {

namespace {

tmsize_t ReadBytes(thandle_t handle, void* to, tmsize_t n) {
    Source& s = *static_cast<Source*>(handle);
    const Bytes part = s.at < s.file.size ? s.file.Sub(size_t(s.at), n < 0 ? 0 : size_t(n)) : Bytes();
    if (part.size) std::copy(part.data, part.data + part.size, static_cast<uint8_t*>(to));
    s.at += part.size;
    return tmsize_t(part.size);
}
tmsize_t WriteNothing(thandle_t, void*, tmsize_t) { return 0; }
toff_t Seek(thandle_t handle, toff_t offset, int whence) {
    Source& s = *static_cast<Source*>(handle);
    s.at = whence == SEEK_SET ? offset : whence == SEEK_CUR ? s.at + offset : s.file.size + offset;
    return s.at;
}
int CloseNothing(thandle_t) { return 0; }
toff_t Size(thandle_t handle) { return static_cast<Source*>(handle)->file.size; }
int Map(thandle_t handle, void** base, toff_t* size) {
    const Bytes& file = static_cast<Source*>(handle)->file;
    *base = const_cast<uint8_t*>(file.data);  // libtiff only reads a mapped file
    *size = file.size;
    return 1;
}
void Unmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char* format, va_list args) {
    Messages& m = *static_cast<Messages*>(user);
    if (m.error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        m.error = text;
    }
    return 1;
}

int OnWarning(TIFF*, void* user, const char*, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    if (std::string_view(text).find("Premature end") != std::string_view::npos)
        static_cast<Messages*>(user)->endedEarly = true;
    return 1;
}

}  // namespace

TIFF* OpenInMemory(Source& source, Messages& messages, int64_t maxAllocation) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) Fail(Failure::OutOfMemory);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(std::max<int64_t>(maxAllocation, 1)));
    TIFFOpenOptionsSetErrorHandlerExtR(options, &OnError, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &OnWarning, &messages);
    TIFF* tiff = TIFFClientOpenExt("picture", "rO", &source, &ReadBytes, &WriteNothing, &Seek, &CloseNothing, &Size,
                                   &Map, &Unmap, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

}  // namespace pictures::tiff
