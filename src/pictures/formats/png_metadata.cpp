#include "pictures/formats/png_metadata.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "pictures/exif_orientation.h"
#include "pictures/formats/png_chunks.h"

namespace pictures {

namespace {

// The orientation is in the first directory, which EXIF writers put at the block's start:
// this much of the text (32 KB of EXIF, two hex digits a byte) reaches it.
constexpr size_t kTextRead = 64 * 1024;
// What zlib's inflating takes besides the text: its state and its 32 KB window.
constexpr int64_t kInflateMemory = 48 * 1024;

// A zlib stream inflated piece by piece into buffers of the caller's, its state taken from
// the budget while it lives.
class Inflater {
public:
    Inflater(Bytes compressed, Budget& budget) : budget_(budget) {
        budget_.Take(kInflateMemory);
        ready_ = inflateInit(&z_) == Z_OK;
        z_.next_in = const_cast<Bytef*>(compressed.data);
        z_.avail_in = uInt(std::min<size_t>(compressed.size, UINT32_MAX));
    }
    ~Inflater() {
        if (ready_) inflateEnd(&z_);
        budget_.Give(kInflateMemory);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Fills out with up to n bytes; how many it got before the stream's end or damage.
    size_t Read(char* out, size_t n) {
        z_.next_out = reinterpret_cast<Bytef*>(out);
        z_.avail_out = uInt(n);
        while (ready_ && z_.avail_out > 0 && inflate(&z_, Z_NO_FLUSH) == Z_OK) {
        }
        return n - z_.avail_out;
    }

private:
    Budget& budget_;
    z_stream z_{};
    bool ready_ = false;
};

// Up to kTextRead bytes of a zlib stream's text.
std::string InflatedStart(Bytes compressed, Budget& budget) {
    budget.Take(int64_t(kTextRead));
    std::string text(kTextRead, '\0');
    text.resize(Inflater(compressed, budget).Read(text.data(), text.size()));
    return text;
}

// The EXIF block in an ImageMagick "raw profile" text: a line feed, the profile's name, its
// length in bytes, then the bytes as hex digits broken into lines.
std::string RawProfileBytes(std::string_view text) {
    size_t at = text.find_first_not_of("\n ");
    at = text.find('\n', at == std::string_view::npos ? text.size() : at);  // past the name
    if (at == std::string_view::npos) return {};
    at = text.find_first_not_of(" \n", at);
    const size_t digits = text.find('\n', at == std::string_view::npos ? text.size() : at);
    if (digits == std::string_view::npos) return {};
    std::string bytes;
    int high = -1;
    for (const char c : text.substr(digits)) {
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) continue;
        if (high < 0) {
            high = v;
        } else {
            bytes += char(high << 4 | v);
            high = -1;
        }
    }
    return bytes;
}

// The text of a tEXt or zTXt chunk whose keyword names EXIF; empty for any other chunk.
std::string ExifText(const PngChunk& chunk, Budget& budget) {
    if (chunk.type != "tEXt" && chunk.type != "zTXt") return {};
    const std::string_view data = chunk.data.View();
    const size_t end = data.find('\0');
    if (end == std::string_view::npos) return {};
    const std::string_view keyword = data.substr(0, end);
    if (keyword != "Raw profile type exif" && keyword != "Raw profile type APP1") return {};
    if (chunk.type == "tEXt") {
        budget.Take(int64_t(kTextRead));
        return std::string(data.substr(end + 1, kTextRead));
    }
    return InflatedStart(chunk.data.Sub(end + 2), budget);  // after the compression method
}

}  // namespace

std::string PngProfile(Bytes file, Budget& budget) {
    Bytes compressed;
    ForEachPngChunk(file, [&](const PngChunk& chunk) {
        if (chunk.type != "iCCP") return true;
        // A name of up to 79 bytes, its end, the compression method, the stream.
        const size_t end = chunk.data.View().find('\0');
        if (end != std::string_view::npos) compressed = chunk.data.Sub(end + 2);
        return false;
    });
    if (compressed.size == 0) return {};
    // The profile's first 4 bytes give its size.
    Inflater inflater(compressed, budget);
    char head[4];
    if (inflater.Read(head, 4) < 4) return {};
    const int64_t size = int64_t(Bytes(reinterpret_cast<const uint8_t*>(head), 4).U32BE(0));
    if (size < 128 || size > kPngProfileLimit) return {};
    budget.Take(size);
    std::string profile(size_t(size), '\0');
    std::memcpy(profile.data(), head, 4);
    if (inflater.Read(profile.data() + 4, profile.size() - 4) < profile.size() - 4) {
        budget.Give(size);
        return {};
    }
    return profile;
}

int PngOrientation(Bytes file, Budget& budget) {
    int orientation = 1;
    bool exifChunk = false;
    std::string text;
    ForEachPngChunk(file, [&](const PngChunk& chunk) {
        if (chunk.type == "eXIf") {
            orientation = ExifOrientation(chunk.data);
            exifChunk = true;
            return false;
        }
        if (text.empty()) text = ExifText(chunk, budget);
        return true;
    });
    if (exifChunk || text.empty()) return orientation;
    budget.Take(int64_t(text.size() / 2));
    return ExifOrientation(Bytes(RawProfileBytes(text)));
}

}  // namespace pictures
