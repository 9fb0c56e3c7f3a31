#include "pictures/visible_first.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pictures/colour/srgb.h"
#include "pictures/format.h"
#include "pictures/formats/formats.h"
#include "pictures/formats/jpeg_region.h"
#include "pictures/formats/staged.h"

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

// A JPEG: the visible part decoded on its own (cropped to it), beside the whole decoded
// from the start on the worker.
std::optional<VisibleFirst> LoadJpeg(Bytes file, std::shared_ptr<const void> keep, int visibleWidth,
                                     int visibleHeight, int64_t bound,
                                     const std::function<void(const Picture& picture)>& prepare,
                                     std::function<void(const Picture& whole)> whole, std::function<void()> notify) {
    if (!EndsWithEndMark(file)) return std::nullopt;
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

// What the worker of a picture read in two steps holds: the reader half-way through, and
// the budget its decoder's memory is counted in. The file's bytes are let go last.
struct Staged {
    std::shared_ptr<const void> keep;
    Budget budget;
    std::unique_ptr<FormatReader> reader;
    StagedReader* stages = nullptr;
};

// A format whose reader decodes in two steps: the rows, strips or tiles covering the
// visible part, then the rest into the same pixels on the worker.
std::optional<VisibleFirst> LoadStaged(const Format& format, Bytes file, std::shared_ptr<const void> keep,
                                       int visibleWidth, int visibleHeight, int64_t bound,
                                       const std::function<void(const Picture& picture)>& prepare,
                                       std::function<void(const Picture& whole)> whole, std::function<void()> notify) {
    auto staged = std::make_shared<Staged>(Staged{std::move(keep), Budget(bound), nullptr, nullptr});
    VisibleFirst result;
    try {
        staged->reader = format.open(file);
        staged->stages = dynamic_cast<StagedReader*>(staged->reader.get());
        if (!staged->stages) return std::nullopt;
        const Cost cost = staged->reader->Measure();
        const int width = std::min(cost.width, visibleWidth), height = std::min(cost.height, visibleHeight);
        if (!cost.Valid() || (width == cost.width && height == cost.height)) return std::nullopt;
        Budget& budget = staged->budget;
        result.picture.metadata = staged->reader->ReadMetadata(budget);
        // Counted as Load counts it (the caller makes the sRGB copy), with the early part,
        // before a pixel is decoded.
        const std::string& icc = result.picture.metadata.icc;
        const bool convert = !icc.empty() && !IsSrgbProfile(icc);
        const double total = kDecoderState + double(cost.bytes) + double(budget.Used()) +
                             double(cost.width) * cost.height * 4 * convert + double(width) * height * 4;
        if (staged->reader->Orientation() != 1 || CostInBytes(total) > bound || !staged->stages->Stageable())
            return std::nullopt;
        Image image = staged->stages->DecodeFirst(budget, width, height);
        if (image.Width() != cost.width || image.Height() != cost.height) return std::nullopt;
        // A copy of its own, which nothing writes while the worker writes the picture.
        result.early = Image::New(width, height, image.HasAlpha(), budget);
        for (int y = 0; y < height; ++y) std::memcpy(result.early.Row(y), image.Row(y), size_t(width) * 4);
        result.early.dotsPerMeterX = image.dotsPerMeterX;
        result.early.dotsPerMeterY = image.dotsPerMeterY;
        result.picture.image = std::move(image);
    } catch (const Failure&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }

    if (prepare) prepare(result.picture);
    result.completion = std::make_unique<Completion>(
        [staged, picture = result.picture, whole = std::move(whole)](const std::atomic<bool>& cancel) mutable {
            const bool complete = staged->stages->DecodeRest(picture.image, staged->budget, cancel);
            if (cancel.load(std::memory_order_relaxed)) return;
            if (!complete) picture.image.SetHasAlpha(true);
            if (whole) whole(picture);
        },
        std::move(notify));
    return result;
}

}  // namespace

std::optional<VisibleFirst> LoadVisibleFirst(Bytes file, std::shared_ptr<const void> keep, int visibleWidth,
                                             int visibleHeight, int64_t bound,
                                             const std::function<void(const Picture& picture)>& prepare,
                                             std::function<void(const Picture& whole)> whole,
                                             std::function<void()> notify) {
    if (visibleWidth <= 0 || visibleHeight <= 0) return std::nullopt;
    const Format* format = Recognise(file.Sub(0, kSniffBytes), file.Sub(file.size > kSniffBytes ? file.size - kSniffBytes : 0),
                                     file.size, {});
    if (!format) return std::nullopt;
    if (format == &kJpeg)
        return LoadJpeg(file, std::move(keep), visibleWidth, visibleHeight, bound, prepare, std::move(whole),
                        std::move(notify));
    return LoadStaged(*format, file, std::move(keep), visibleWidth, visibleHeight, bound, prepare, std::move(whole),
                      std::move(notify));
}

}  // namespace pictures
