// JPEG pictures through libjpeg, from the file's bytes in memory: grey, YCbCr, RGB, CMYK
// and YCCK, baseline, progressive and arithmetic-coded. The settings are libjpeg's
// defaults (accurate integer transform, smooth upsampling), as the program always used.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "pictures/formats/formats.h"
#include "pictures/formats/jpeg_decoder.h"
#include "pictures/metadata/metadata.h"

namespace pictures {

namespace {

// The coefficients libjpeg keeps for the whole picture when the file is progressive or
// its scans each hold some components (2 bytes a sample, in whole blocks of units); none
// when it decodes line by line.
double CoefficientBytes(jpeg_decompress_struct& cinfo) {
    if (!cinfo.progressive_mode && !jpeg_has_multiple_scans(&cinfo)) return 0;
    double bytes = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& component = cinfo.comp_info[c];
        const double h = component.h_samp_factor, v = component.v_samp_factor;
        bytes += 128.0 * (std::ceil(component.width_in_blocks / h) * h) * (std::ceil(component.height_in_blocks / v) * v);
    }
    return bytes;
}

// CMYK as libjpeg gives it, to RGB. Adobe's files (those with its marker) store the inks
// inverted, 255 for none, as Qt's reader took every CMYK file to be; others store them as
// they are.
void CmykToRgb(const uint8_t* cmyk, uint32_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[x] = Argb(k * c / 255, k * m / 255, k * y / 255);
    }
}

bool IsCmyk(J_COLOR_SPACE space) { return space == JCS_CMYK || space == JCS_YCCK; }

// Decodes every row into the picture; false when libjpeg stopped (its errors say why).
// Only what the caller made lives across the jump.
bool DecodeRows(JpegDecoder& decoder, Image& image, uint8_t* cmykRow, long memory) {
    jpeg_decompress_struct& cinfo = decoder.cinfo;
    if (setjmp(decoder.errors.jump)) return false;
    jpeg_read_header(&cinfo, TRUE);
    cinfo.mem->max_memory_to_use = memory;
    const bool cmyk = IsCmyk(cinfo.jpeg_color_space);
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;  // BGRA is the picture's own layout
    jpeg_start_decompress(&cinfo);
    if (int(cinfo.output_width) != image.Width() || int(cinfo.output_height) != image.Height()) {
        std::snprintf(decoder.errors.message, sizeof decoder.errors.message, "its size changed while read");
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        uint32_t* line = image.Row(int(cinfo.output_scanline));
        JSAMPROW row = cmyk ? cmykRow : reinterpret_cast<JSAMPROW>(line);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) ERREXIT(&cinfo, JERR_INPUT_EOF);
        if (cmyk) CmykToRgb(cmykRow, line, image.Width(), cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);  // reads to the end mark, so that a file cut there is told
    return true;
}

class JpegReader : public FormatReader {
public:
    explicit JpegReader(Bytes file) : file_(file) {}

    Cost Measure() override {
        JpegDecoder decoder(file_);
        if (!ReadJpegHeader(decoder)) decoder.Fail();
        jpeg_decompress_struct& cinfo = decoder.cinfo;
        coefficients_ = CoefficientBytes(cinfo);
        width_ = int(cinfo.image_width);
        height_ = int(cinfo.image_height);
        cmyk_ = IsCmyk(cinfo.jpeg_color_space);
        // Line buffers: a row of units of each component, and the smoothing's context.
        buffers_ = double(cinfo.image_width) * cinfo.num_components * 8 * cinfo.max_v_samp_factor * 4;
        dotsPerMeterX_ = JpegDotsPerMeter(cinfo.density_unit, cinfo.X_density);
        dotsPerMeterY_ = JpegDotsPerMeter(cinfo.density_unit, cinfo.Y_density);
        const double pixels = double(cinfo.image_width) * cinfo.image_height;
        return {int(cinfo.image_width), int(cinfo.image_height), CostInBytes(pixels * 4 + coefficients_ + buffers_)};
    }

    Metadata ReadMetadata(Budget& budget) override { return ReadFileMetadata(file_, "jpeg", budget, &orientation_); }
    int Orientation() const override { return orientation_; }

    Image Decode(Budget& budget) override {
        Image image = Image::New(width_, height_, false, budget);
        // libjpeg may take what is left of the bound, and no more; its share is counted.
        const long memory = long(std::min<int64_t>(budget.Left(), LONG_MAX));
        budget.Take(coefficients_ + buffers_);
        std::vector<uint8_t> cmykRow(cmyk_ ? size_t(width_) * 4 : 0);
        JpegDecoder decoder(file_);
        if (!decoder.Ready() || !DecodeRows(decoder, image, cmykRow.data(), memory)) decoder.Fail();
        image.dotsPerMeterX = dotsPerMeterX_;
        image.dotsPerMeterY = dotsPerMeterY_;
        return image;
    }

private:
    Bytes file_;
    double coefficients_ = 0, buffers_ = 0;
    int width_ = 0, height_ = 0;
    bool cmyk_ = false;
    int dotsPerMeterX_ = 0, dotsPerMeterY_ = 0;
    int orientation_ = 1;
};

}  // namespace

const Format kJpeg = {
    "jpeg",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return head.size >= 3 && head.StartsWith("\xFF\xD8"); },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<JpegReader>(file); },
};

}  // namespace pictures
