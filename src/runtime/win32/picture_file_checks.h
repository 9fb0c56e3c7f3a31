// What the bytes of a picture file say before and after the system's codec read it: its
// format by signature, the EXIF orientation, and whether the file stops short.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace rt::win32 {

enum class FileFormat { Unknown, Jpeg, Png, Gif, Bmp, Tiff, Webp };

// Up to n bytes of the file from offset (fewer at its end).
std::string ReadAt(HANDLE file, uint64_t offset, size_t n);

// The format the file's first bytes name.
FileFormat Sniff(const std::string& head);

// The picture's size as the file's header declares it (width and height), read without
// decoding anything; 0 by 0 when the format is not one of these or the header is short.
struct DeclaredSize {
    uint32_t width = 0, height = 0;
};
DeclaredSize SizeInHeader(HANDLE file, FileFormat format);

// The EXIF orientation (1 to 8) of a JPEG or TIFF file; 1 when it names none.
int Orientation(HANDLE file, FileFormat format);

// Whether the file stops short of the end its format puts last: a JPEG without its
// end marker after the picture data, a PNG without its end chunk, a GIF without its
// whole first frame, a WebP shorter than its header says.
bool EndsEarly(HANDLE file, uint64_t size, FileFormat format);

}  // namespace rt::win32
