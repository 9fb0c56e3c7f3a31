// PNG pictures through libpng: every colour type and depth, interlaced or not, turned by
// libpng into 8-bit BGRA rows straight in the picture's memory. libpng is shown only the
// chunks the pixels need (the critical ones, transparency, the resolution): text, EXIF,
// profile, private and animation chunks are skipped by the read function, so that libpng
// allocates and inflates none of them however large they say they are. The profile and the
// orientation are read from their chunks within the budget (png_metadata.cpp).
#include <png.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pictures/formats/formats.h"
#include "pictures/metadata/metadata.h"
#include "pictures/formats/png_chunks.h"
#include "pictures/formats/png_metadata.h"
#include "pictures/formats/staged.h"

namespace pictures {

namespace {

// The most a chunk libpng reads may hold or inflate to: it reads no text or profile.
constexpr png_alloc_size_t kChunkLimit = 1 << 20;
// Unknown chunks libpng would keep; none are passed to it, this is the fallback limit.
constexpr png_uint_32 kChunkCache = 128;
// Ahead of each block libpng allocates: its size, to give back to the budget when freed.
constexpr size_t kBlockHeader = alignof(std::max_align_t);

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Whether libpng is to see a chunk: every critical one (it refuses those it does not
// know), and of the ancillary ones those that change the pixels or the resolution.
bool PassedToLibpng(std::string_view type) {
    const bool critical = (uint8_t(type[0]) & 0x20) == 0;
    return critical || type == "tRNS" || type == "pHYs";
}

// Whether every chunk lies within the file up to its end chunk, which is there: a file cut
// anywhere, even between chunks, fails this.
bool ReachesEndChunk(Bytes file) {
    if (PngChunkRunsPastEnd(file)) return false;
    bool end = false;
    ForEachPngChunk(file, [&end](const PngChunk& chunk) {
        end = chunk.type == "IEND";
        return true;
    });
    return end;
}

class PngReader : public FormatReader, public StagedReader {
public:
    explicit PngReader(Bytes file) : file_(file) {}
    ~PngReader() override {
        budget_ = nullptr;  // the budget is gone by now: nothing is given back to it
        if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    Cost Measure() override {
        // The header chunk comes first, 13 bytes; libpng checks its values again.
        if (!file_.Has(0, kPngSignatureBytes + kPngChunkFrame + 13)) Fail(Failure::Truncated);
        if (file_.Sub(12, 4).View() != "IHDR") Fail(Failure::Damaged, u"its first chunk is not the header");
        if (PngChunkRunsPastEnd(file_)) Fail(Failure::Truncated);
        const uint32_t width = file_.U32BE(16), height = file_.U32BE(20);
        if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return {};
        // The picture, a pointer to each of its rows, and libpng's two rows of at most 8
        // bytes a pixel (16-bit RGBA) with their slack.
        const double bytes = double(width) * height * 4 + double(height) * sizeof(png_bytep) + 2 * (double(width) + 8) * 8 + 256;
        return {int(width), int(height), CostInBytes(bytes)};
    }

    Metadata ReadMetadata(Budget& budget) override {
        const Lent lent(*this, budget);
        Start();
        orientation_ = PngOrientation(file_, budget);
        // EXIF and XMP as for every format that carries them; the profile and the
        // orientation from the chunks read here, which exiv2 and libpng do not all take.
        int exifOrientation = 1;
        Metadata metadata = ReadFileMetadata(file_, "png", budget, &exifOrientation);
        metadata.lossless = true;
        metadata.icc = PngProfile(file_, budget);
        return metadata;
    }

    int Orientation() const override { return orientation_; }

    Image Decode(Budget& budget) override {
        const Lent lent(*this, budget);
        Image image = NewPicture(budget);
        budget.Take(double(image.Height()) * sizeof(png_bytep));
        std::vector<png_bytep> rows(size_t(image.Height()));
        for (int y = 0; y < image.Height(); ++y) rows[size_t(y)] = reinterpret_cast<png_bytep>(image.Row(y));
        rows_ = rows.data();
        if (!Guarded([](PngReader& r) { png_read_image(r.png_, r.rows_); })) Failed();
        rows_ = nullptr;
        ToWords(image, 0, image.Height());
        return image;
    }

    // Rows top down through libpng's row reading, which gives each row as png_read_image
    // does; an interlaced picture's rows are not whole before its last pass.
    bool Stageable() override {
        return png_ && orientation_ == 1 && png_get_interlace_type(png_, info_) == PNG_INTERLACE_NONE &&
               ReachesEndChunk(file_);
    }

    Image DecodeFirst(Budget& budget, int, int height) override {
        const Lent lent(*this, budget);
        Image image = NewPicture(budget);
        if (!ReadRows(image, height, nullptr)) Failed();
        return image;
    }

    bool DecodeRest(Image& image, Budget& budget, const std::atomic<bool>& cancel) override {
        const Lent lent(*this, budget);
        if (ReadRows(image, image.Height(), &cancel)) return true;
        ClearRows(image, nextRow_);
        return false;
    }

private:
    // The picture libpng's rows go into, with the file's resolution.
    Image NewPicture(Budget& budget) {
        if (!png_) Start();
        const png_uint_32 width = png_get_image_width(png_, info_), height = png_get_image_height(png_, info_);
        if (png_get_rowbytes(png_, info_) != size_t(width) * 4)
            Fail(Failure::Damaged, u"libpng gave rows of another size than asked");
        Image image = Image::New(int(width), int(height), alpha_, budget);
        png_uint_32 perMeterX = 0, perMeterY = 0;
        int unit = 0;
        if (png_get_pHYs(png_, info_, &perMeterX, &perMeterY, &unit) && unit == PNG_RESOLUTION_METER &&
            perMeterX <= INT_MAX && perMeterY <= INT_MAX) {
            image.dotsPerMeterX = int(perMeterX);
            image.dotsPerMeterY = int(perMeterY);
        }
        return image;
    }

    // The next rows up to `until` (not included); false when libpng stopped with an error.
    bool ReadRows(Image& image, int until, const std::atomic<bool>* cancel) {
        target_ = &image;
        untilRow_ = std::min(until, image.Height());
        cancel_ = cancel;
        const int from = nextRow_;
        const bool read = Guarded([](PngReader& r) {
            for (; r.nextRow_ < r.untilRow_; ++r.nextRow_) {
                if (r.cancel_ && r.cancel_->load(std::memory_order_relaxed)) return;
                png_read_row(r.png_, reinterpret_cast<png_bytep>(r.target_->Row(r.nextRow_)), nullptr);
            }
        });
        target_ = nullptr;
        ToWords(image, from, nextRow_);
        return read;
    }

    // libpng wrote B, G, R, A bytes: the pixel words on a little-endian machine.
    static void ToWords([[maybe_unused]] Image& image, [[maybe_unused]] int from, [[maybe_unused]] int to) {
        if constexpr (std::endian::native == std::endian::big)
            for (int y = from; y < to; ++y) {
                uint32_t* row = image.Row(y);
                for (int x = 0; x < image.Width(); ++x) {
                    const auto* b = reinterpret_cast<const uint8_t*>(row + x);
                    row[x] = Argb(b[2], b[1], b[0], b[3]);
                }
            }
    }

    // The budget libpng's allocations are taken from while a step with one runs.
    class Lent {
    public:
        Lent(PngReader& reader, Budget& budget) : reader_(reader) { reader_.budget_ = &budget; }
        ~Lent() { reader_.budget_ = nullptr; }
        Lent(const Lent&) = delete;
        Lent& operator=(const Lent&) = delete;

    private:
        PngReader& reader_;
    };

    // Makes libpng's reader, sets its limits, reads the chunks before the pixels and asks
    // for 8-bit BGRA rows.
    void Start() {
        png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning, this, Allocate, Release);
        if (!png_) Failed();
        info_ = png_create_info_struct(png_);
        if (!info_) Failed();
        png_set_read_fn(png_, this, Read);
        // No side longer than the budget holds a row of, nor than an int holds.
        const png_uint_32 longest = png_uint_32(std::clamp<int64_t>(budget_->Left() / 4, 1, INT_MAX));
        png_set_user_limits(png_, longest, longest);
        png_set_chunk_cache_max(png_, kChunkCache);
        png_set_chunk_malloc_max(png_, kChunkLimit);
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_benign_errors(png_, 1);
        if (!Guarded(ReadHeader)) Failed();
    }

    static void ReadHeader(PngReader& r) {
        png_read_info(r.png_, r.info_);
        r.alpha_ = (png_get_color_type(r.png_, r.info_) & PNG_COLOR_MASK_ALPHA) != 0 ||
                   png_get_valid(r.png_, r.info_, PNG_INFO_tRNS) != 0;
        png_set_expand(r.png_);    // palette to RGB, grey to 8 bits, tRNS to alpha
        png_set_scale_16(r.png_);  // rounded, not cut
        png_set_gray_to_rgb(r.png_);
        png_set_bgr(r.png_);
        if (!r.alpha_) png_set_filler(r.png_, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(r.png_);
        png_read_update_info(r.png_, r.info_);
    }

    // Runs one step of libpng's reading; false when libpng stopped with an error. Steps
    // make no object with a destructor: libpng's errors jump from inside them to here.
    bool Guarded(void (*step)(PngReader&)) {
        if (setjmp(png_jmpbuf(png_))) return false;
        step(*this);
        return true;
    }

    // Why libpng stopped, as a failure.
    [[noreturn]] void Failed() const {
        if (refused_) Fail(Failure::TooLarge);
        if (systemRefused_) Fail(Failure::OutOfMemory);
        if (endedEarly_ || std::strcmp(message_, "Not enough image data") == 0) Fail(Failure::Truncated);
        Fail(Failure::Damaged, Text(message_[0] ? message_ : "libpng could not read it"));
    }

    static void OnError(png_structp png, png_const_charp message) {
        auto* r = static_cast<PngReader*>(png_get_error_ptr(png));
        std::snprintf(r->message_, sizeof r->message_, "%s", message ? message : "");
        png_longjmp(png, 1);
    }
    static void OnWarning(png_structp, png_const_charp) {}

    static png_voidp Allocate(png_structp png, png_alloc_size_t size) {
        auto* r = static_cast<PngReader*>(png_get_mem_ptr(png));
        if (!r->budget_ || size > png_alloc_size_t(r->budget_->Left()) || size > SIZE_MAX - kBlockHeader ||
            int64_t(size + kBlockHeader) > r->budget_->Left()) {
            r->refused_ = true;
            return nullptr;
        }
        auto* block = static_cast<uint8_t*>(std::malloc(size + kBlockHeader));
        if (!block) {
            r->systemRefused_ = true;
            return nullptr;
        }
        r->budget_->Take(int64_t(size + kBlockHeader));
        std::memcpy(block, &size, sizeof size);
        return block + kBlockHeader;
    }
    static void Release(png_structp png, png_voidp pointer) {
        if (!pointer) return;
        auto* r = static_cast<PngReader*>(png_get_mem_ptr(png));
        uint8_t* block = static_cast<uint8_t*>(pointer) - kBlockHeader;
        png_alloc_size_t size = 0;
        std::memcpy(&size, block, sizeof size);
        if (r->budget_) r->budget_->Give(int64_t(size + kBlockHeader));
        std::free(block);
    }

    static void Read(png_structp png, png_bytep out, size_t n) {
        auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
        if (!r->Fill(out, n)) {
            r->endedEarly_ = true;
            png_error(png, "the file ends early");
        }
    }

    // Copies the next n bytes of the chunks libpng is shown; false at the file's end.
    bool Fill(uint8_t* out, size_t n) {
        while (n > 0) {
            if (at_ == passEnd_ && !NextPassedChunk()) return false;
            const size_t part = size_t(std::min<uint64_t>(n, passEnd_ - at_));
            std::memcpy(out, file_.data + at_, part);
            out += part;
            at_ += part;
            n -= part;
        }
        return true;
    }

    // Moves on to the next chunk libpng is to see, past the others whole.
    bool NextPassedChunk() {
        while (file_.Has(at_, kPngChunkFrame)) {
            const uint64_t length = BigEndian32(file_.data + at_);
            const std::string_view type = file_.Sub(at_ + 4, 4).View();
            const bool whole = file_.Has(at_ + kPngChunkFrame, length);
            if (!whole || PassedToLibpng(type)) {
                passEnd_ = whole ? at_ + kPngChunkFrame + length : file_.size;
                return true;
            }
            at_ += kPngChunkFrame + length;
        }
        if (at_ >= file_.size) return false;
        passEnd_ = file_.size;  // a few bytes that are no whole chunk: libpng finds the end in them
        return true;
    }

    Bytes file_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    Budget* budget_ = nullptr;
    png_bytepp rows_ = nullptr;
    Image* target_ = nullptr;  // where ReadRows puts rows nextRow_ to untilRow_
    int nextRow_ = 0, untilRow_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;
    uint64_t at_ = 0, passEnd_ = kPngSignatureBytes;  // the signature passes as a chunk of its own
    bool alpha_ = false;
    bool endedEarly_ = false, refused_ = false, systemRefused_ = false;
    int orientation_ = 1;
    char message_[256] = {};
};

}  // namespace

const Format kPng = {
    "png",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return head.StartsWith(kSignature); },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<PngReader>(file); },
};

}  // namespace pictures
