// JPEG XL: the picture lossy in libjxl's own colour space, sRGB tagged, alpha kept.
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <vector>

#include "pictures/writers/workers.h"
#include "pictures/writers/writers.h"

namespace pictures {

namespace {

// Butteraugli distance (0 lossless, 1 visually lossless) and effort (1 fastest to 9). On a
// grainy 6-megapixel photo stand-in these give 37.5 dB PSNR at 68% of the size of JPEG at
// 90 (36.9 dB); effort 5 took twice as long for a file as large at the same PSNR.
constexpr float kDistance = 0.9f;
constexpr int kEffort = 3;

[[noreturn]] void Failed(const char16_t* what) { Fail(Failure::WriteFailed, std::u16string(u"JPEG XL: ") + what); }

}  // namespace

std::string EncodeJxl(const Image& image) {
    const bool alpha = image.HasAlpha();
    // libjxl takes R, G, B (and A) bytes in that order; the rows are converted on all cores.
    const size_t channels = alpha ? 4 : 3;
    std::vector<uint8_t> samples(size_t(image.Width()) * size_t(image.Height()) * channels);
    const int height = image.Height(), bands = std::min(height, WorkerCount());
    RunParts(bands, [&](int band) {
        uint8_t* out = samples.data() + size_t(height * band / bands) * size_t(image.Width()) * channels;
        for (int y = height * band / bands; y < height * (band + 1) / bands; ++y) {
            const uint32_t* row = image.Row(y);
            for (int x = 0; x < image.Width(); ++x) {
                *out++ = uint8_t(RedOf(row[x]));
                *out++ = uint8_t(GreenOf(row[x]));
                *out++ = uint8_t(BlueOf(row[x]));
                if (alpha) *out++ = uint8_t(AlphaOf(row[x]));
            }
        }
    });

    struct Owned {
        JxlEncoder* encoder = JxlEncoderCreate(nullptr);
        void* runner = JxlThreadParallelRunnerCreate(nullptr, size_t(WorkerCount()));
        ~Owned() {
            JxlEncoderDestroy(encoder);
            JxlThreadParallelRunnerDestroy(runner);
        }
    } owned;
    JxlEncoder* encoder = owned.encoder;
    if (!encoder || !owned.runner) Fail(Failure::OutOfMemory);
    JxlEncoderSetParallelRunner(encoder, JxlThreadParallelRunner, owned.runner);

    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(image.Width());
    info.ysize = uint32_t(image.Height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = JXL_FALSE;
    if (alpha) {
        info.num_extra_channels = 1;
        info.alpha_bits = 8;
    }
    if (JxlEncoderSetBasicInfo(encoder, &info) != JXL_ENC_SUCCESS) Failed(u"the picture's size or kind is refused");
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    if (JxlEncoderSetColorEncoding(encoder, &srgb) != JXL_ENC_SUCCESS) Failed(u"the colour space is refused");

    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
    JxlEncoderSetFrameDistance(settings, kDistance);
    JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, kEffort);
    const JxlPixelFormat format{uint32_t(channels), JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderAddImageFrame(settings, &format, samples.data(), samples.size()) != JXL_ENC_SUCCESS)
        Failed(u"the encoder refuses the pixels");
    JxlEncoderCloseInput(encoder);

    std::string file(size_t(1) << 16, '\0');
    size_t used = 0;
    for (;;) {
        uint8_t* next = reinterpret_cast<uint8_t*>(file.data()) + used;
        size_t left = file.size() - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder, &next, &left);
        used = size_t(next - reinterpret_cast<uint8_t*>(file.data()));
        if (status == JXL_ENC_SUCCESS) break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT) Failed(u"encoding failed");
        file.resize(file.size() * 2);
    }
    file.resize(used);
    return file;
}

}  // namespace pictures
