#include "pictures/metadata/exif_structure.h"

#include <set>
#include <vector>

namespace pictures {

namespace {

// Bytes a value of each TIFF field type takes; 0 for types no reader knows.
uint64_t TypeSize(uint16_t type) {
    static const uint8_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < sizeof sizes ? sizes[type] : 0;
}

constexpr int kMostDirectories = 64;

class Walk {
public:
    explicit Walk(Bytes tiff) : tiff_(tiff), big_(tiff.U8(0) == 'M') {}

    uint16_t U16(size_t at) const { return big_ ? tiff_.U16BE(at) : tiff_.U16LE(at); }
    uint32_t U32(size_t at) const { return big_ ? tiff_.U32BE(at) : tiff_.U32LE(at); }

    // A field's first value, of a SHORT or LONG field.
    uint32_t Value(size_t entry) const { return U16(entry + 2) == 3 ? U16(entry + 8) : U32(entry + 8); }

    // The offsets of directories a field points at (sub-directories and their lists).
    void Pointed(size_t entry, uint64_t count) {
        if (count == 1 || TypeSize(U16(entry + 2)) * count <= 4) {
            pending_.push_back(Value(entry));
            return;
        }
        const uint32_t at = U32(entry + 8);
        for (uint64_t i = 0; i < count && i < kMostDirectories && tiff_.Has(at + 4 * i, 4); ++i)
            pending_.push_back(U32(size_t(at + 4 * i)));
    }

    TiffSummary Run() {
        TiffSummary summary;
        pending_.push_back(U32(4));
        for (bool first = true; !pending_.empty() && seen_.size() < kMostDirectories; first = false) {
            const uint32_t ifd = pending_.front();
            pending_.erase(pending_.begin());
            if (!tiff_.Has(ifd, 2) || !seen_.insert(ifd).second) continue;
            const uint16_t entries = U16(ifd);
            if (!tiff_.Has(ifd + 2, uint64_t(entries) * 12 + 4)) continue;
            if (first) summary.valid = true;
            for (size_t i = 0; i < entries; ++i) {
                const size_t entry = ifd + 2 + 12 * i;
                const uint16_t tag = U16(entry);
                const uint64_t count = U32(entry + 4);
                summary.declaredBytes += TypeSize(U16(entry + 2)) * count;
                if (tag == 0x8769 || tag == 0x8825 || tag == 0xA005 || tag == 0x014A) Pointed(entry, count);
                if (tag == 0x0202) summary.declaredBytes += Value(entry);  // a thumbnail's length
                if (first && tag == 0x0112 && count > 0) {
                    const uint32_t value = Value(entry);
                    summary.orientation = value >= 1 && value <= 8 ? int(value) : 1;
                }
                if (first && tag == 0x0103 && count > 0) summary.compression = int(Value(entry));
            }
            pending_.push_back(U32(ifd + 2 + size_t(entries) * 12));  // the next directory
        }
        return summary;
    }

private:
    Bytes tiff_;
    bool big_;
    std::vector<uint32_t> pending_;
    std::set<uint32_t> seen_;
};

}  // namespace

TiffSummary SummariseTiff(Bytes tiff) {
    if ((!tiff.StartsWith(std::string_view("II*\0", 4)) && !tiff.StartsWith(std::string_view("MM\0*", 4))) ||
        tiff.size < 8)
        return {};
    try {
        return Walk(tiff).Run();
    } catch (const Failure&) {
        return {};  // a field's header runs past the end: no usable structure
    }
}

size_t TiffStart(Bytes exif) {
    const std::string_view near = exif.View().substr(0, 16);
    const size_t little = near.find(std::string_view("II*\0", 4)), big = near.find(std::string_view("MM\0*", 4));
    return little < big ? little : big == std::string_view::npos ? SIZE_MAX : big;
}

}  // namespace pictures
