#include "pictures/visible_first.h"

#include <algorithm>
#include <cstring>

#include "pictures/format.h"
#include "pictures/formats/formats.h"
#include "pictures/formats/jpeg_region.h"

namespace pictures {

namespace {

constexpr double kDecoderState = 1 << 20;

bool EndsWithEndMark(Bytes file) { return file.size >= 4 && file.data[file.size - 2] == 0xFF && file.data[file.size - 1] == 0xD9; }

// The worker's decoding of the whole picture. Rows a failure left undecoded become
// transparent rather than whatever memory held.
void DecodeWhole(Bytes file, Picture picture, const std::atomic<bool>& cancel,
                 const std::function<void(const Picture&)>& whole) {
    Image& image = picture.image;
    const JpegDecoding decoding = DecodeJpegArea(file, {0, 0, image.Width(), image.Height()},
                                                 reinterpret_cast<uint8_t*>(image.Pixels()), image.Stride(), &cancel);
    if (cancel.load(std::memory_order_relaxed)) return;
    if (decoding.rowsDone < image.Height()) {
        for (int y = decoding.rowsDone; y < image.Height(); ++y) std::memset(image.Row(y), 0, size_t(image.Width()) * 4);
        image.SetHasAlpha(true);
    }
    if (whole) whole(picture);
}

}  // namespace

std::optional<VisibleFirst> LoadVisibleFirst(Bytes file, std::shared_ptr<const void> keep, int visibleWidth,
                                             int visibleHeight, int64_t bound,
                                             const std::function<void(const Picture& picture)>& prepare,
                                             std::function<void(const Picture& whole)> whole,
                                             std::function<void()> notify) {
    if (visibleWidth <= 0 || visibleHeight <= 0 || !EndsWithEndMark(file)) return std::nullopt;
    const JpegLayout layout = ReadJpegLayout(file);
    const int width = std::min(layout.width, visibleWidth), height = std::min(layout.height, visibleHeight);
    if (!layout.lineByLine || layout.missingRestarts || (width == layout.width && height == layout.height))
        return std::nullopt;
    VisibleFirst result;
    try {
        const std::unique_ptr<FormatReader> reader = kJpeg.open(file);
        const Cost cost = reader->Measure();
        Budget budget(bound);
        result.picture.metadata = reader->ReadMetadata(budget);
        const double total = kDecoderState + double(cost.bytes) + double(budget.Used()) + double(width) * height * 4;
        if (reader->Orientation() != 1 || cost.width != layout.width || cost.height != layout.height || total > bound)
            return std::nullopt;
        result.picture.image = Image::New(layout.width, layout.height, false, budget);
        result.early = Image::New(width, height, false, budget);
    } catch (const Failure&) {
        return std::nullopt;
    }
    result.picture.image.dotsPerMeterX = result.early.dotsPerMeterX = layout.dotsPerMeterX;
    result.picture.image.dotsPerMeterY = result.early.dotsPerMeterY = layout.dotsPerMeterY;

    if (prepare) prepare(result.picture);
    // The whole decode starts first, so that on two cores it runs beside the visible part's.
    result.completion = std::make_unique<Completion>(
        [file, keep, picture = result.picture, whole = std::move(whole)](const std::atomic<bool>& cancel) {
            DecodeWhole(file, picture, cancel, whole);
        },
        std::move(notify));
    Image& early = result.early;
    const JpegDecoding first =
        DecodeJpegArea(file, {0, 0, width, height}, reinterpret_cast<uint8_t*>(early.Pixels()), early.Stride());
    if (!first.finished || first.endedEarly) return std::nullopt;  // the completion stops with result
    return result;
}

}  // namespace pictures
