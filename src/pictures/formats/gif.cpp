// GIF pictures through giflib: the first frame only, read record by record up to it, shown
// on the logical screen with the pixels the frame does not cover transparent.
#include <gif_lib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "pictures/formats/formats.h"
#include "pictures/formats/gif_blocks.h"

namespace pictures {

namespace {

[[noreturn]] void FailWith(int error) {
    switch (error) {
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_EOF_TOO_SOON: Fail(Failure::Truncated);
    case D_GIF_ERR_NOT_ENOUGH_MEM: Fail(Failure::OutOfMemory);
    default: break;
    }
    const char* text = GifErrorString(error);
    Fail(Failure::Damaged, Text(text ? text : "giflib could not read it"));
}

// Where line i of a frame h lines high goes: interlaced frames store every 8th line from
// 0, then every 8th from 4, every 4th from 2, every 2nd from 1.
int RowOfLine(int i, int h, bool interlaced) {
    if (!interlaced) return i;
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int lines = h > starts[pass] ? (h - starts[pass] + steps[pass] - 1) / steps[pass] : 0;
        if (i < lines) return starts[pass] + i * steps[pass];
        i -= lines;
    }
    return -1;
}

class GifReader : public FormatReader {
public:
    explicit GifReader(Bytes file) : file_(file) {}
    ~GifReader() override {
        int ignored = 0;
        if (gif_) DGifCloseFile(gif_, &ignored);
    }
    GifReader(const GifReader&) = delete;
    GifReader& operator=(const GifReader&) = delete;

    Cost Measure() override {
        if (!GifFirstFrameComplete(file_)) Fail(Failure::Truncated);
        int error = 0;
        gif_ = DGifOpen(this, Read, &error);
        if (!gif_) FailWith(error);
        ReadUpToFirstFrame();
        const GifImageDesc& frame = gif_->Image;
        width_ = gif_->SWidth;
        height_ = gif_->SHeight;
        // A screen of no size: the frame's extent stands for it.
        if (width_ <= 0 || height_ <= 0) {
            width_ = frame.Left + frame.Width;
            height_ = frame.Top + frame.Height;
        }
        alpha_ = transparent_ >= 0 || frame.Left > 0 || frame.Top > 0 || frame.Left + frame.Width < width_ ||
                 frame.Top + frame.Height < height_;
        // The picture and one line of the frame's indexes; giflib's own state is small and fixed.
        return {width_, height_, CostInBytes(double(width_) * height_ * 4 + frame.Width)};
    }

    Metadata ReadMetadata(Budget&) override {
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    Image Decode(Budget& budget) override {
        const GifImageDesc frame = gif_->Image;
        Image image = Image::New(width_, height_, alpha_, budget);
        uint32_t palette[256];
        Palette(palette);
        if (frame.Left > 0 || frame.Top > 0 || frame.Left + frame.Width < width_ || frame.Top + frame.Height < height_)
            for (int y = 0; y < height_; ++y) std::fill_n(image.Row(y), width_, 0u);
        if (frame.Width <= 0 || frame.Height <= 0) return image;

        budget.Take(double(frame.Width));
        std::vector<GifPixelType> line(size_t(frame.Width));
        const int left = std::max(frame.Left, 0), right = std::min(frame.Left + frame.Width, width_);
        for (int i = 0; i < frame.Height; ++i) {
            if (DGifGetLine(gif_, line.data(), frame.Width) == GIF_ERROR) FailWith(gif_->Error);
            const int y = frame.Top + RowOfLine(i, frame.Height, frame.Interlace);
            if (y >= height_ && !frame.Interlace) break;  // the rest is below the screen
            if (y < 0 || y >= height_) continue;
            uint32_t* row = image.Row(y);
            for (int x = left; x < right; ++x) row[x] = palette[line[size_t(x - frame.Left)]];
        }
        return image;
    }

private:
    static int Read(GifFileType* gif, GifByteType* out, int n) {
        auto* r = static_cast<GifReader*>(gif->UserData);
        const size_t part = std::min<size_t>(n > 0 ? size_t(n) : 0, r->file_.size - r->at_);
        std::memcpy(out, r->file_.data + r->at_, part);
        r->at_ += part;
        return int(part);
    }

    // Reads the records before the first frame, keeping the transparency the last
    // graphic control extension gives, then the frame's descriptor.
    void ReadUpToFirstFrame() {
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif_, &type) == GIF_ERROR) FailWith(gif_->Error);
            if (type == IMAGE_DESC_RECORD_TYPE) break;
            if (type != EXTENSION_RECORD_TYPE) Fail(Failure::Truncated);  // the end before any frame
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) FailWith(gif_->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && block) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent_ = control.TransparentColor;
            }
            while (block)
                if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) FailWith(gif_->Error);
        }
        if (DGifGetImageDesc(gif_) == GIF_ERROR) FailWith(gif_->Error);
    }

    // The frame's colours by index: its own table, else the file's; indexes past the
    // table take its first colour. A file with no table at all is shown black, as other
    // readers show it.
    void Palette(uint32_t (&palette)[256]) const {
        std::fill_n(palette, 256, Argb(0, 0, 0));
        const ColorMapObject* map = gif_->Image.ColorMap ? gif_->Image.ColorMap : gif_->SColorMap;
        if (map && map->ColorCount > 0 && map->Colors) {
            const int count = std::min(map->ColorCount, 256);
            for (int i = 0; i < 256; ++i) {
                const GifColorType& c = map->Colors[i < count ? i : 0];
                palette[i] = Argb(c.Red, c.Green, c.Blue);
            }
        }
        if (transparent_ >= 0 && transparent_ < 256) palette[transparent_] = 0;
    }

    Bytes file_;
    size_t at_ = 0;
    GifFileType* gif_ = nullptr;
    int width_ = 0, height_ = 0;
    int transparent_ = -1;
    bool alpha_ = false;
};

}  // namespace

const Format kGif = {
    "gif",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return head.StartsWith("GIF87a") || head.StartsWith("GIF89a"); },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<GifReader>(file); },
};

}  // namespace pictures
