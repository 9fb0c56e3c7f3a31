// JPEG XL pictures through libjxl: the first frame of an animation, upright as the
// codestream's orientation asks (libjxl turns it). Pictures stored in libjxl's own colour
// space are asked of libjxl in sRGB, or in their HDR encoding to be tone-mapped here;
// pictures kept in their original colours come in 16 bits and are converted here from
// their profile or colour encoding before rounding, unless they are sRGB already.
#include <jxl/decode.h>
#include <jxl/encode.h>  // the sRGB description
#include <jxl/thread_parallel_runner.h>

#include <climits>

#include "pictures/colour/samples.h"
#include "pictures/formats/formats.h"
#include "pictures/formats/iso_boxes.h"

namespace pictures {

namespace {

constexpr double kFixedCost = 24 << 20;  // the decoder's tables and per-group buffers
// The largest colour profile used; past it the picture is taken as sRGB.
constexpr size_t kMaxProfile = size_t(4) << 20;

bool IsJxl(Bytes head) {
    const JxlSignature signature = JxlSignatureCheck(head.data, head.size);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

// A colour space from libjxl's description of one.
ColourSpace FromEncoding(const JxlColorEncoding& e) {
    ColourSpace space;
    if (e.color_space == JXL_COLOR_SPACE_RGB) {
        Chromaticities& c = space.primaries;
        if (e.primaries == JXL_PRIMARIES_2100) c = CicpPrimaries(9);
        else if (e.primaries == JXL_PRIMARIES_P3) c = CicpPrimaries(12);
        else if (e.primaries == JXL_PRIMARIES_CUSTOM)
            c = {{e.primaries_red_xy[0], e.primaries_red_xy[1]}, {e.primaries_green_xy[0], e.primaries_green_xy[1]},
                 {e.primaries_blue_xy[0], e.primaries_blue_xy[1]}, {c.white[0], c.white[1]}};
        if (e.white_point == JXL_WHITE_POINT_DCI) c.white[0] = 0.314, c.white[1] = 0.351;
        else if (e.white_point == JXL_WHITE_POINT_E) c.white[0] = c.white[1] = 1 / 3.0;
        else if (e.white_point == JXL_WHITE_POINT_CUSTOM) c.white[0] = e.white_point_xy[0], c.white[1] = e.white_point_xy[1];
    }
    switch (e.transfer_function) {
    case JXL_TRANSFER_FUNCTION_LINEAR: space.transfer = Transfer::Linear; break;
    case JXL_TRANSFER_FUNCTION_PQ: space.transfer = Transfer::Pq; break;
    case JXL_TRANSFER_FUNCTION_HLG: space.transfer = Transfer::Hlg; break;
    case JXL_TRANSFER_FUNCTION_DCI: space.transfer = Transfer::Gamma, space.gamma = 2.6; break;
    case JXL_TRANSFER_FUNCTION_GAMMA:  // libjxl gives the encoding exponent
        if (e.gamma > 0 && e.gamma <= 1) space.transfer = Transfer::Gamma, space.gamma = 1 / e.gamma;
        break;
    default: break;  // sRGB's, BT.709's, unknown: shown with sRGB's curve
    }
    return space;
}

class JxlReader : public FormatReader {
public:
    JxlReader(Bytes file, bool container) : file_(file), container_(container) {
        if (!decoder_ || !runner_) Fail(Failure::OutOfMemory);
        JxlDecoderSetParallelRunner(decoder_, JxlThreadParallelRunner, runner_);
        JxlDecoderSubscribeEvents(decoder_, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE);
        JxlDecoderSetUnpremultiplyAlpha(decoder_, JXL_TRUE);  // the core's pixels hold straight alpha
        // The input is left open: a decoder that wants more than the whole file has met
        // a file cut short, and says so, where after closing it would only fail.
        JxlDecoderSetInput(decoder_, file.data, file.size);
    }
    ~JxlReader() override {
        JxlDecoderDestroy(decoder_);
        JxlThreadParallelRunnerDestroy(runner_);
    }

    Cost Measure() override {
        if (container_ && IsoBoxesOverrun(file_)) Fail(Failure::Truncated);
        Next(JXL_DEC_BASIC_INFO);
        if (JxlDecoderGetBasicInfo(decoder_, &info_) != JXL_DEC_SUCCESS) return {};
        const bool turned = info_.orientation >= JXL_ORIENT_TRANSPOSE;
        const uint32_t width = turned ? info_.ysize : info_.xsize, height = turned ? info_.xsize : info_.ysize;
        if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return {};
        Next(JXL_DEC_COLOR_ENCODING);
        JxlColorEncoding original;
        described_ = JxlDecoderGetColorAsEncodedProfile(decoder_, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                                        &original) == JXL_DEC_SUCCESS;
        if (described_) space_ = FromEncoding(original);
        // Stored in libjxl's own colour space, the picture comes out in sRGB or in its HDR
        // encoding; stored in its own colours, as they are: 16-bit samples unless sRGB (a
        // profile may still turn out to be sRGB's).
        if (!info_.uses_original_profile) {
            deep_ = described_ && space_.Hdr();
            JxlColorEncoding wanted = original;
            if (!deep_) JxlColorEncodingSetToSRGB(&wanted, info_.num_color_channels == 1);
            JxlDecoderSetPreferredColorProfile(decoder_, &wanted);
        } else {
            deep_ = !described_ || !space_.IsSrgb();
        }
        // libjxl works in groups: 12-megapixel pictures, lossy and lossless, peaked at
        // 6.6 bytes a pixel with the 8-bit output; two bytes a channel leave a margin.
        // With 16-bit output (our samples, and libjxl's buffers for them) they peaked at
        // 21 bytes a pixel, the file's 5 included, in the file's own colours (lossless),
        // and at 20 when libjxl brings a lossy picture to its HDR encoding.
        const double pixels = double(info_.xsize) * info_.ysize;
        const double channels = info_.num_color_channels + info_.num_extra_channels;
        const double deep = !deep_ ? 0 : info_.uses_original_profile ? 10 : 14;
        return {int(width), int(height), CostInBytes(pixels * (2 * channels + 4 + deep) + kFixedCost)};
    }

    Image Decode(Budget& budget) override {
        if (info_.uses_original_profile && !described_) space_.icc = Profile(budget);
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder_);
        if (status != JXL_DEC_NEED_IMAGE_OUT_BUFFER) Fail(status);
        const bool turned = info_.orientation >= JXL_ORIENT_TRANSPOSE;
        const int width = int(turned ? info_.ysize : info_.xsize), height = int(turned ? info_.xsize : info_.ysize);
        const bool alpha = info_.alpha_bits > 0;
        Image image = Image::New(width, height, alpha, budget);
        if (deep_ && !space_.IsSrgb()) {
            DecodeDeep(image, budget);
            return image;
        }
        const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        Output(format, image.Pixels(), size_t(image.Bytes()));
        // R, G, B, A in memory to the core's B, G, R, A.
        for (int y = 0; y < height; ++y) {
            uint32_t* row = image.Row(y);
            for (int x = 0; x < width; ++x) {
                const auto* p = reinterpret_cast<const uint8_t*>(row + x);
                row[x] = Argb(p[0], p[1], p[2], alpha ? p[3] : 255);
            }
        }
        return image;
    }

private:
    // The picture through 16-bit samples in its own colours, converted to sRGB.
    void DecodeDeep(Image& image, Budget& budget) {
        const int channels = image.HasAlpha() ? 4 : 3;
        const JxlPixelFormat format{uint32_t(channels), JXL_TYPE_UINT16, JXL_NATIVE_ENDIAN, 0};
        const int64_t bytes = CostInBytes(double(image.Width()) * image.Height() * channels * 2);
        budget.Take(bytes);
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[size_t(bytes)]);
        Output(format, buffer.get(), size_t(bytes));
        Samples samples;
        samples.data = buffer.get();
        samples.stride = ptrdiff_t(image.Width()) * channels * 2;
        samples.width = image.Width();
        samples.height = image.Height();
        samples.channels = channels;
        samples.bytes = 2;
        samples.bits = 16;
        SamplesToSrgb(samples, space_, image, budget);
        buffer.reset();
        budget.Give(bytes);
    }

    // Decodes the first frame into the buffer, in that layout.
    void Output(const JxlPixelFormat& format, void* buffer, size_t size) {
        if (JxlDecoderSetImageOutBuffer(decoder_, &format, buffer, size) != JXL_DEC_SUCCESS)
            Fail(Failure::Damaged, u"the decoder refuses the picture's layout");
        Next(JXL_DEC_FULL_IMAGE);  // any later frames are not decoded
    }

    // The profile the pixels come in, when the file gives one rather than a description.
    std::string Profile(Budget& budget) {
        size_t size = 0;
        if (JxlDecoderGetICCProfileSize(decoder_, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS ||
            size == 0 || size > kMaxProfile)
            return {};
        budget.Take(int64_t(size));
        std::string icc(size, '\0');
        if (JxlDecoderGetColorAsICCProfile(decoder_, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                           reinterpret_cast<uint8_t*>(icc.data()), size) != JXL_DEC_SUCCESS)
            icc.clear();
        return icc;
    }

    // Runs the decoder on to the wanted event.
    void Next(JxlDecoderStatus wanted) {
        for (;;) {
            const JxlDecoderStatus status = JxlDecoderProcessInput(decoder_);
            if (status == wanted) return;
            if (status == JXL_DEC_BASIC_INFO || status == JXL_DEC_COLOR_ENCODING) continue;
            Fail(status);
        }
    }
    [[noreturn]] static void Fail(JxlDecoderStatus status) {
        if (status == JXL_DEC_NEED_MORE_INPUT) pictures::Fail(Failure::Truncated);
        pictures::Fail(Failure::Damaged, u"the JPEG XL decoder reports an error");
    }
    [[noreturn]] static void Fail(Failure::Kind kind, std::u16string detail = {}) { pictures::Fail(kind, std::move(detail)); }

    Bytes file_;
    const bool container_;
    JxlDecoder* decoder_ = JxlDecoderCreate(nullptr);
    void* runner_ = JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    JxlBasicInfo info_{};
    ColourSpace space_;
    bool described_ = false, deep_ = false;
};

}  // namespace

const Format kJxl = {
    "jxl",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return IsJxl(head); },
    [](Bytes file) -> std::unique_ptr<FormatReader> {
        return std::make_unique<JxlReader>(file, JxlSignatureCheck(file.data, file.size) == JXL_SIG_CONTAINER);
    },
};

}  // namespace pictures
