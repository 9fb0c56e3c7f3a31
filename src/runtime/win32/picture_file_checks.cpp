#include "runtime/win32/picture_file_checks.h"

#include <algorithm>

#include "runtime/picture_structure.h"

namespace rt::win32 {

namespace {

unsigned Byte(const std::string& s, size_t i) { return i < s.size() ? uint8_t(s[i]) : 0; }

// A 16- or 32-bit number of a TIFF structure in its byte order.
unsigned Get16(const std::string& s, size_t i, bool little) {
    return little ? Byte(s, i) | Byte(s, i + 1) << 8 : Byte(s, i) << 8 | Byte(s, i + 1);
}
uint32_t Get32(const std::string& s, size_t i, bool little) {
    return little ? Get16(s, i, true) | uint32_t(Get16(s, i + 2, true)) << 16
                  : uint32_t(Get16(s, i, false)) << 16 | Get16(s, i + 2, false);
}

// The orientation tag (0x112) of the first directory of the TIFF structure at base.
int TiffOrientation(HANDLE file, uint64_t base) {
    const std::string header = ReadAt(file, base, 8);
    if (header.size() < 8) return 1;
    const bool little = header.compare(0, 2, "II") == 0;
    if (!little && header.compare(0, 2, "MM") != 0) return 1;
    const uint32_t directory = Get32(header, 4, little);
    const std::string count = ReadAt(file, base + directory, 2);
    const unsigned entries = std::min(Get16(count, 0, little), 1000u);
    const std::string table = ReadAt(file, base + directory + 2, size_t(entries) * 12);
    for (size_t e = 0; e + 12 <= table.size(); e += 12) {
        if (Get16(table, e, little) != 0x112 || Get16(table, e + 2, little) != 3) continue;
        const unsigned value = Get16(table, e + 8, little);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

// Segments of a JPEG from its start to the start of the picture data: calls visit with
// each marker and the offset of its payload (visit returns false to stop); returns the
// offset after the start-of-scan header, 0 when the file ends first or visit stopped,
// kNotAMarker when the headers are damaged.
constexpr uint64_t kNotAMarker = ~uint64_t(0);

template <class Visit>
uint64_t WalkJpegHeaders(HANDLE file, Visit visit) {
    uint64_t at = 2;
    for (int guard = 0; guard < 10000; ++guard) {
        const std::string marker = ReadAt(file, at, 4);
        if (marker.size() < 2) return 0;
        if (Byte(marker, 0) != 0xFF) return kNotAMarker;
        const unsigned code = Byte(marker, 1);
        if (code == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (code == 0xD8 || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        if (marker.size() < 4) return 0;
        const unsigned length = Byte(marker, 2) << 8 | Byte(marker, 3);
        if (code == 0xDA) return at + 2 + length;
        if (!visit(code, at + 4, length < 2 ? 0u : length - 2)) return 0;
        at += 2 + length;
    }
    return kNotAMarker;
}

// Whether the JPEG's end marker follows its picture data. Entropy-coded data never
// holds 0xFF 0xD9, so the marker anywhere after the first scan header is the end;
// searched from the file's end, where it nearly always is.
bool JpegComplete(HANDLE file, uint64_t size) {
    const uint64_t scan = WalkJpegHeaders(file, [](unsigned, uint64_t, unsigned) { return true; });
    if (scan == kNotAMarker) return true;  // damaged, not cut short
    if (scan == 0 || scan >= size) return false;
    constexpr uint64_t kChunk = 1 << 20;
    uint64_t end = size;
    while (end > scan) {
        const uint64_t from = std::max(scan, end >= kChunk ? end - kChunk : 0);
        const std::string bytes = ReadAt(file, from, size_t(std::min(size, end + 1) - from));
        for (size_t i = bytes.size(); i >= 2; --i)
            if (Byte(bytes, i - 2) == 0xFF && Byte(bytes, i - 1) == 0xD9) return true;
        end = from;
    }
    return false;
}

}  // namespace

std::string ReadAt(HANDLE file, uint64_t offset, size_t n) {
    std::string bytes(n, '\0');
    OVERLAPPED place{};
    place.Offset = DWORD(offset);
    place.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), DWORD(n), &got, &place)) got = 0;
    bytes.resize(got);
    return bytes;
}

FileFormat Sniff(const std::string& head) {
    if (head.compare(0, 2, "\xFF\xD8") == 0) return FileFormat::Jpeg;
    if (head.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0) return FileFormat::Png;
    if (head.compare(0, 4, "GIF8") == 0) return FileFormat::Gif;
    if (head.compare(0, 2, "BM") == 0) return FileFormat::Bmp;
    if (head.compare(0, 4, std::string("II*\0", 4)) == 0 || head.compare(0, 4, std::string("MM\0*", 4)) == 0)
        return FileFormat::Tiff;
    if (head.compare(0, 4, "RIFF") == 0 && head.compare(8, 4, "WEBP") == 0) return FileFormat::Webp;
    return FileFormat::Unknown;
}

DeclaredSize SizeInHeader(HANDLE file, FileFormat format) {
    const std::string head = ReadAt(file, 0, 32);
    switch (format) {
    case FileFormat::Png: return {Get32(head, 16, false), Get32(head, 20, false)};
    case FileFormat::Gif: return {Get16(head, 6, true), Get16(head, 8, true)};
    case FileFormat::Bmp: {
        if (Get32(head, 14, true) == 12) return {Get16(head, 18, true), Get16(head, 20, true)};
        const auto w = int32_t(Get32(head, 18, true)), h = int32_t(Get32(head, 22, true));
        return {uint32_t(w < 0 ? -int64_t(w) : w), uint32_t(h < 0 ? -int64_t(h) : h)};
    }
    case FileFormat::Jpeg: {
        DeclaredSize size;
        // The frame header: any start-of-frame marker but the table and arithmetic ones.
        WalkJpegHeaders(file, [&](unsigned code, uint64_t payload, unsigned) {
            if (code < 0xC0 || code > 0xCF || code == 0xC4 || code == 0xC8 || code == 0xCC) return true;
            const std::string frame = ReadAt(file, payload, 5);
            size = {Get16(frame, 3, false), Get16(frame, 1, false)};
            return false;
        });
        return size;
    }
    default: return {};
    }
}

int Orientation(HANDLE file, FileFormat format) {
    if (format == FileFormat::Tiff) return TiffOrientation(file, 0);
    if (format != FileFormat::Jpeg) return 1;
    int orientation = 1;
    WalkJpegHeaders(file, [&](unsigned code, uint64_t payload, unsigned length) {
        if (code != 0xE1 || length < 14 || ReadAt(file, payload, 6) != std::string("Exif\0\0", 6)) return true;
        orientation = TiffOrientation(file, payload + 6);
        return false;  // the first EXIF block counts
    });
    return orientation;
}

bool EndsEarly(HANDLE file, uint64_t size, FileFormat format) {
    switch (format) {
    case FileFormat::Png: return size < 8 || ReadAt(file, size - 8, 4) != "IEND";
    case FileFormat::Jpeg: return !JpegComplete(file, size);
    case FileFormat::Gif: return !GifFirstFrameComplete(ReadAt(file, 0, size_t(size)));
    case FileFormat::Webp: return Get32(ReadAt(file, 4, 4), 0, true) > size - 8;
    default: return false;
    }
}

}  // namespace rt::win32
