// JPEG XL pictures through libjxl: the first frame of an animation, upright as the
// codestream's orientation asks, in sRGB (libjxl converts pictures stored in its own
// colour space; others carry their profile, converted here), rounded to 8 bits.
#include <jxl/decode.h>
#include <jxl/encode.h>  // the sRGB description
#include <jxl/thread_parallel_runner.h>

#include <vector>

#include "runtime/qt/picture_own_formats.h"

namespace rt {

namespace {

constexpr int64_t kFixedCost = 24 << 20;  // the decoder's tables and per-group buffers

JxlSignature Signature(const QByteArray& bytes) {
    return JxlSignatureCheck(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

class JxlReader : public OwnFormatReader {
public:
    JxlReader(const QByteArray& bytes, bool container) : bytes_(bytes), container_(container) {
        JxlDecoderSetParallelRunner(decoder_, JxlThreadParallelRunner, runner_);
        JxlDecoderSubscribeEvents(decoder_, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE);
        // The input is left open: a decoder that wants more than the whole file has met
        // a file cut short, and says so, where after closing it would only fail.
        JxlDecoderSetInput(decoder_, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    ~JxlReader() override {
        JxlDecoderDestroy(decoder_);
        JxlThreadParallelRunnerDestroy(runner_);
    }

    DecodingCost Measure() override {
        if (container_ && IsoBoxesOverrun(bytes_)) throw DecodeFailure{DecodeFailure::Truncated, {}};
        Next(JXL_DEC_BASIC_INFO);
        if (JxlDecoderGetBasicInfo(decoder_, &info_) != JXL_DEC_SUCCESS) return {};
        DecodingCost cost;
        const bool turned = info_.orientation >= JXL_ORIENT_TRANSPOSE;
        cost.size = QSize(int(std::min<uint32_t>(turned ? info_.ysize : info_.xsize, INT_MAX)),
                          int(std::min<uint32_t>(turned ? info_.xsize : info_.ysize, INT_MAX)));
        if (cost.size.isEmpty()) return {};
        // libjxl works in groups: 12-megapixel pictures, lossy and lossless, peaked at
        // 6.6 bytes a pixel with the 8-bit output; two bytes a channel leave a margin.
        const double pixels = double(info_.xsize) * info_.ysize;
        const double channels = info_.num_color_channels + info_.num_extra_channels;
        cost.bytes = CostInBytes(pixels * (2 * channels + 4) + double(bytes_.size()) + kFixedCost);
        return cost;
    }

    QImage Decode() override {
        Next(JXL_DEC_COLOR_ENCODING);
        if (!info_.uses_original_profile) {  // stored in libjxl's own colour space: ask for sRGB
            JxlColorEncoding srgb;
            JxlColorEncodingSetToSRGB(&srgb, info_.num_color_channels == 1);
            JxlDecoderSetPreferredColorProfile(decoder_, &srgb);
        }
        QByteArray icc;
        size_t iccSize = 0;
        if (info_.uses_original_profile &&
            JxlDecoderGetICCProfileSize(decoder_, &format_, JXL_COLOR_PROFILE_TARGET_DATA, &iccSize) == JXL_DEC_SUCCESS) {
            icc.resize(qsizetype(iccSize));
            if (JxlDecoderGetColorAsICCProfile(decoder_, &format_, JXL_COLOR_PROFILE_TARGET_DATA,
                                               reinterpret_cast<uint8_t*>(icc.data()), iccSize) != JXL_DEC_SUCCESS)
                icc.clear();
        }
        // The output size is the upright picture's.
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder_);
        if (status != JXL_DEC_NEED_IMAGE_OUT_BUFFER) Fail(status);
        const bool turned = info_.orientation >= JXL_ORIENT_TRANSPOSE;
        QImage image = NewImage(int(turned ? info_.ysize : info_.xsize), int(turned ? info_.xsize : info_.ysize),
                                info_.alpha_bits ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
        if (JxlDecoderSetImageOutBuffer(decoder_, &format_, image.bits(), size_t(image.sizeInBytes())) != JXL_DEC_SUCCESS)
            throw DecodeFailure{DecodeFailure::Damaged, u"the decoder refuses the picture's layout"};
        Next(JXL_DEC_FULL_IMAGE);  // the first frame; any later ones are not decoded
        image.convertTo(info_.alpha_bits ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        ConvertToSrgb(image, icc);
        return image;
    }

private:
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
        if (status == JXL_DEC_NEED_MORE_INPUT) throw DecodeFailure{DecodeFailure::Truncated, {}};
        throw DecodeFailure{DecodeFailure::Damaged, u"the JPEG XL decoder reports an error"};
    }

    const QByteArray& bytes_;
    const bool container_;
    JxlDecoder* decoder_ = JxlDecoderCreate(nullptr);
    void* runner_ = JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    JxlBasicInfo info_{};
    JxlPixelFormat format_{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
};

}  // namespace

bool IsJxl(const QByteArray& head) {
    const JxlSignature signature = Signature(head);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

std::unique_ptr<OwnFormatReader> OpenJxl(const QByteArray& bytes) {
    return std::make_unique<JxlReader>(bytes, Signature(bytes) == JXL_SIG_CONTAINER);
}

}  // namespace rt
