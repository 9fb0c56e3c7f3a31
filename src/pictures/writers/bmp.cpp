// BMP: a Windows bitmap of 24-bit pixels, bottom-up, the way every reader takes it.
#include "pictures/writers/writers.h"

namespace pictures {

namespace {

void Put16(std::string& out, unsigned v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::string EncodeBmp(const Image& image) {
    const uint64_t rowBytes = (uint64_t(image.Width()) * 3 + 3) & ~uint64_t(3);
    const uint64_t pixelBytes = rowBytes * uint64_t(image.Height());
    constexpr uint32_t kHeaders = 14 + 40;
    if (pixelBytes > 0xFFFFFFFFu - kHeaders) Fail(Failure::TooLarge, u"a BMP file holds at most 4 GB");
    std::string out;
    out.reserve(size_t(kHeaders + pixelBytes));
    out += "BM";
    Put32(out, uint32_t(kHeaders + pixelBytes));
    Put32(out, 0);  // reserved
    Put32(out, kHeaders);
    Put32(out, 40);  // BITMAPINFOHEADER
    Put32(out, uint32_t(image.Width()));
    Put32(out, uint32_t(image.Height()));  // positive: bottom-up
    Put16(out, 1);  // planes
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, uint32_t(pixelBytes));
    Put32(out, uint32_t(image.dotsPerMeterX > 0 ? image.dotsPerMeterX : 0));
    Put32(out, uint32_t(image.dotsPerMeterY > 0 ? image.dotsPerMeterY : 0));
    Put32(out, 0);  // colours used
    Put32(out, 0);  // colours important
    const size_t pad = size_t(rowBytes - uint64_t(image.Width()) * 3);
    for (int y = image.Height() - 1; y >= 0; --y) {
        const uint32_t* in = image.Row(y);
        for (int x = 0; x < image.Width(); ++x) {
            out += char(BlueOf(in[x]));
            out += char(GreenOf(in[x]));
            out += char(RedOf(in[x]));
        }
        out.append(pad, '\0');
    }
    return out;
}

}  // namespace pictures
