#include "pictures/metadata/exiv_input.h"

#include <zlib.h>

#include <memory>

#include "pictures/metadata/exif_structure.h"
#include "pictures/metadata/metadata.h"

namespace pictures {

namespace {

constexpr uint64_t kTooMuch = UINT64_MAX;

// The size of a zlib stream once inflated, when at most the limit (its bytes in *out when
// asked for); kTooMuch past the limit or when the stream is damaged.
uint64_t Inflated(Bytes stream, std::string* out = nullptr) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return kTooMuch;
    z.next_in = const_cast<Bytef*>(stream.data);
    z.avail_in = uInt(stream.size);
    unsigned char buffer[1 << 16];
    uint64_t total = 0;
    int status = Z_OK;
    while (status == Z_OK && total <= kMetadataBlockLimit) {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        const size_t made = sizeof buffer - z.avail_out;
        total += made;
        if (out && total <= kMetadataBlockLimit) out->append(reinterpret_cast<char*>(buffer), made);
        if (status == Z_BUF_ERROR && made == 0) break;  // the stream stops short
    }
    inflateEnd(&z);
    return status == Z_STREAM_END && total <= kMetadataBlockLimit ? total : kTooMuch;
}

// An EXIF block worth handing on: a readable structure declaring no more than the limit.
// Its orientation is taken whether or not it is.
bool ExifFits(Bytes exif, ExivInput& input) {
    const size_t at = TiffStart(exif);
    if (at == SIZE_MAX) return false;
    const TiffSummary summary = SummariseTiff(exif.Sub(at));
    if (!summary.valid) return false;
    input.orientation = summary.orientation;
    if (summary.declaredBytes > kMetadataBlockLimit) return false;
    input.blockBytes += summary.declaredBytes + exif.size;
    return true;
}

void JpegInput(Bytes file, ExivInput& input) {
    std::string kept = "\xFF\xD8";
    bool exif = false, xmp = false;
    std::string icc;  // the profile's segments, kept only when they add up to no more than the limit
    uint64_t iccBytes = 0;
    size_t at = 2;
    for (int segments = 0; segments < 100000 && file.Has(at, 4); ++segments) {
        if (file.U8(at) != 0xFF) break;
        const uint8_t marker = file.U8(at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // the pictures' data: metadata comes before it
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        const size_t length = file.U16BE(at + 2);
        if (length < 2 || !file.Has(at + 2, length)) break;
        const Bytes body = file.Sub(at + 4, length - 2), segment = file.Sub(at, length + 2);
        if (marker == 0xE1 && !exif && body.StartsWith(std::string_view("Exif\0\0", 6))) {
            exif = true;  // exiv2 reads the first EXIF segment only
            if (ExifFits(body, input)) kept += segment.View();
        } else if (marker == 0xE1 && !xmp && body.StartsWith(std::string_view("http://ns.adobe.com/xap/1.0/\0", 29))) {
            xmp = true;
            kept += segment.View();
            input.blockBytes += body.size;
        } else if (marker == 0xE2 && body.StartsWith(std::string_view("ICC_PROFILE\0", 12))) {
            iccBytes += body.size;
            if (iccBytes <= kMetadataBlockLimit) icc += segment.View();
        }
        at += 2 + length;
    }
    if (iccBytes <= kMetadataBlockLimit) {
        kept += icc;
        input.blockBytes += iccBytes;
    }
    if (kept.size() > 2) input.copy = kept + "\xFF\xD9";
}

// A PNG text chunk's keyword and where its text starts; compressed says whether the text
// is a zlib stream.
bool PngText(std::string_view type, Bytes body, std::string_view& keyword, size_t& text, bool& compressed) {
    const size_t end = body.View().find('\0');
    if (end == std::string_view::npos || end > 79) return false;
    keyword = body.View().substr(0, end);
    if (type == "tEXt") {
        text = end + 1, compressed = false;
    } else if (type == "zTXt") {
        text = end + 2, compressed = true;
    } else {  // iTXt: flag, method, language and translated keyword, each ended by a nul
        compressed = body.Has(end + 1, 1) && body.U8(end + 1) != 0;
        const size_t language = body.View().find('\0', end + 3);
        const size_t translated = language == std::string_view::npos ? language : body.View().find('\0', language + 1);
        if (translated == std::string_view::npos) return false;
        text = translated + 1;
    }
    return text <= body.size;
}

// ImageMagick's "Raw profile type exif" text: a line with the name, one with the length,
// then the bytes in hexadecimal.
std::string RawProfileBytes(std::string_view text) {
    size_t at = text.find('\n', 1);
    if (at == std::string_view::npos) return {};
    at = text.find('\n', at + 1);
    if (at == std::string_view::npos) return {};
    std::string bytes;
    int high = -1;
    for (const char c : text.substr(at + 1)) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes += char(high << 4 | digit);
            high = -1;
        }
    }
    return bytes;
}

void PngInput(Bytes file, ExivInput& input) {
    std::string kept(file.View().substr(0, 8));
    for (size_t at = 8; file.Has(at, 12);) {
        const uint64_t length = file.U32BE(at);
        if (!file.Has(at + 12, length)) break;  // runs past the end
        const std::string_view type = file.View().substr(at + 4, 4);
        const Bytes body = file.Sub(at + 8, size_t(length)), chunk = file.Sub(at, size_t(length) + 12);
        at += size_t(length) + 12;
        if (type == "IEND") break;
        if (type == "IHDR") {
            kept += chunk.View();
        } else if (type == "eXIf") {
            if (ExifFits(body, input)) kept += chunk.View();
        } else if (type == "iCCP") {
            const size_t name = body.View().find('\0');
            const uint64_t inflated = name == std::string_view::npos ? kTooMuch : Inflated(body.Sub(name + 2));
            if (inflated == kTooMuch) continue;
            kept += chunk.View();
            input.blockBytes += inflated;
        } else if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            std::string_view keyword;
            size_t text = 0;
            bool compressed = false;
            if (!PngText(type, body, keyword, text, compressed)) continue;
            const bool xmp = keyword == "XML:com.adobe.xmp", exif = keyword == "Raw profile type exif" ||
                                                                    keyword == "Raw profile type APP1";
            if (!xmp && !exif && keyword != "Raw profile type xmp") continue;  // nothing carried
            std::string inflated;
            const uint64_t size = compressed ? Inflated(body.Sub(text), exif ? &inflated : nullptr) : body.size;
            if (size > kMetadataBlockLimit) continue;
            if (exif && !ExifFits(Bytes(RawProfileBytes(compressed ? inflated : body.Sub(text).View())), input))
                continue;
            kept += chunk.View();
            input.blockBytes += size;
        }
    }
    if (kept.size() > 8 + 25) input.copy = kept + std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
}

void WebpInput(Bytes file, ExivInput& input) {
    std::string kept;
    bool extended = false;
    for (uint64_t at = 12; file.Has(at, 8);) {
        const std::string_view type = file.View().substr(size_t(at), 4);
        const uint64_t length = file.U32LE(size_t(at + 4));
        const Bytes body = file.Sub(size_t(at + 8), size_t(length));
        const Bytes chunk = file.Sub(size_t(at), size_t(8 + ((length + 1) & ~uint64_t(1))));
        at += 8 + ((length + 1) & ~uint64_t(1));  // chunks are padded to an even size
        if (body.size < length) break;          // runs past the end
        if (type == "VP8X" && !extended) {
            extended = true;
            kept += chunk.View();
        } else if ((type == "ICCP" || type == "XMP ") && length <= kMetadataBlockLimit) {
            kept += chunk.View();
            input.blockBytes += length;
        } else if (type == "EXIF" && ExifFits(body, input)) {
            kept += chunk.View();
        }
    }
    if (!extended || kept.size() <= 18) return;  // metadata comes only with the extended header
    const uint32_t size = uint32_t(kept.size() + 4);
    input.copy = std::string("RIFF") + char(size) + char(size >> 8) + char(size >> 16) + char(size >> 24) + "WEBP" + kept;
}

}  // namespace

ExivInput ExivInputOf(Bytes file, std::string_view format) {
    ExivInput input;
    try {
        if (format == "jpeg") JpegInput(file, input);
        if (format == "png") PngInput(file, input);
        if (format == "webp") WebpInput(file, input);
    } catch (const Failure&) {
        input.copy.clear();  // a block's header cut short: no metadata
    }
    if (format == "tiff") {
        const TiffSummary summary = SummariseTiff(file);
        input.orientation = summary.orientation;
        input.compression = summary.compression;
        input.wholeFile = summary.valid && summary.declaredBytes <= kMetadataBlockLimit;
        input.blockBytes = input.wholeFile ? summary.declaredBytes : 0;
    }
    return input;
}

bool WebpLossless(Bytes file) {
    for (uint64_t at = 12; file.Has(at, 8);) {
        const std::string_view type = file.View().substr(size_t(at), 4);
        if (type == "VP8L") return true;
        if (type == "VP8 " || type == "ANIM") return false;
        // Counted in 64 bits: a size near 4 GB cannot wrap round to a step of nothing.
        at += 8 + ((uint64_t(file.U32LE(size_t(at + 4))) + 1) & ~uint64_t(1));
    }
    return false;
}

}  // namespace pictures
