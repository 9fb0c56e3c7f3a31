#include "pictures/load.h"

#include <new>

#include "pictures/colour/srgb.h"
#include "pictures/format.h"

namespace pictures {

namespace {

// What any decoder takes besides its pictures and buffers: its own state, tables, stack.
constexpr double kDecoderState = 1 << 20;

Bytes Head(Bytes file) { return file.Sub(0, kSniffBytes); }
Bytes Tail(Bytes file) { return file.Sub(file.size > kSniffBytes ? file.size - kSniffBytes : 0); }

}  // namespace

const Format* Recognise(Bytes head, Bytes tail, uint64_t size, std::string_view extension) {
    for (const Format* const* format = Formats(); *format; ++format)
        if ((*format)->recognise(head, tail, size, extension)) return *format;
    return nullptr;
}

Picture Load(Bytes file, std::string_view extension, int64_t bound,
             const std::function<void(int width, int height)>& measured) {
    const Format* format = Recognise(Head(file), Tail(file), file.size, extension);
    if (!format) Fail(Failure::NotAPicture);
    try {
        const std::unique_ptr<FormatReader> reader = format->open(file);
        const Cost cost = reader->Measure();
        if (!cost.Valid()) Fail(Failure::NoSize);

        Budget budget(bound);
        Picture picture;
        picture.metadata = reader->ReadMetadata(budget);
        // The whole cost is known before a pixel is decoded: the decoder's, a turned copy,
        // and an sRGB copy for the screen when the profile is another.
        const int orientation = reader->Orientation();
        const double pixels = double(cost.width) * cost.height;
        const bool convert = !picture.metadata.icc.empty() && !IsSrgbProfile(picture.metadata.icc);
        const int64_t total = CostInBytes(kDecoderState + double(cost.bytes) + double(budget.Used()) +
                                          pixels * 4 * ((orientation > 1 && orientation <= 8) + convert));
        if (total > bound) {
            const bool swap = orientation >= 5 && orientation <= 8;
            throw Failure{Failure::TooLarge, {}, swap ? cost.height : cost.width, swap ? cost.width : cost.height,
                          total, bound};
        }

        if (measured) measured(cost.width, cost.height);
        Image stored = reader->Decode(budget);
        if (stored.Width() != cost.width || stored.Height() != cost.height)
            Fail(Failure::Damaged, u"the picture decoded differs from its header");
        picture.image = Oriented(stored, orientation, budget);
        stored = Image();
        picture.shown = ConvertedToSrgb(picture.image, picture.metadata.icc, budget);
        return picture;
    } catch (const std::bad_alloc&) {
        Fail(Failure::OutOfMemory);
    }
}

}  // namespace pictures
