#include "pictures/formats/jpeg_region.h"

#include <algorithm>
#include <cstring>

#include "pictures/formats/jpeg_decoder.h"

// Crop and skip decode whole 8 or 16 pixel blocks and upsample at their edges as if the
// picture ended there: a margin of one block row or column around the area keeps its own
// pixels exact.

namespace pictures {

namespace {

constexpr int kMargin = 16;  // the largest block (iMCU) a picture with 2x2 sampling has

// The restart markers (FF D0 to FF D7) from a position to the end. In the compressed data
// a byte FF is always followed by 00 or a marker, so they are found by their bytes alone.
int64_t CountRestarts(Bytes data) {
    int64_t count = 0;
    for (size_t i = 0; i + 1 < data.size; ++i)
        if (data.data[i] == 0xFF && data.data[i + 1] >= 0xD0 && data.data[i + 1] <= 0xD7) ++count;
    return count;
}

// The steps between the jump point and libjpeg; only what the caller made lives across.
bool ReadArea(JpegDecoder& decoder, JpegArea area, uint8_t* out, ptrdiff_t stride, const std::atomic<bool>* cancel,
              JpegDecoding& result) {
    jpeg_decompress_struct& cinfo = decoder.cinfo;
    if (setjmp(decoder.errors.jump)) return false;
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    const int wholeWidth = int(cinfo.output_width), wholeHeight = int(cinfo.output_height);
    if (area.width <= 0 || area.height <= 0 || area.x < 0 || area.y < 0 || area.x + area.width > wholeWidth ||
        area.y + area.height > wholeHeight) {
        std::snprintf(decoder.errors.message, sizeof decoder.errors.message, "the area lies outside the picture");
        return false;
    }
    // Columns: the area and a margin, which libjpeg widens further to whole blocks.
    JDIMENSION left = JDIMENSION(std::max(0, area.x - kMargin));
    JDIMENSION width = JDIMENSION(std::min(wholeWidth, area.x + area.width + kMargin)) - left;
    const bool cropped = width < cinfo.output_width;
    if (cropped) jpeg_crop_scanline(&cinfo, &left, &width);
    const size_t skipBytes = size_t(area.x - int(left)) * 4;
    // Rows above the area are skipped, but for a margin that primes the upsampling.
    const int firstRead = std::max(0, area.y - kMargin);
    if (firstRead > 0) jpeg_skip_scanlines(&cinfo, JDIMENSION(firstRead));

    const bool direct = !cropped && area.x == 0;  // rows land in the output as they are
    // A row for the others, from libjpeg's own memory, which it frees itself.
    JSAMPROW line = *(*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * 4, 1);
    const int bottom = area.y + area.height;
    while (int(cinfo.output_scanline) < bottom) {
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
        const int y = int(cinfo.output_scanline);
        JSAMPROW row = y >= area.y && direct ? out + ptrdiff_t(y - area.y) * stride : line;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        if (y < area.y) continue;
        if (!direct) std::memcpy(out + ptrdiff_t(y - area.y) * stride, line + skipBytes, size_t(area.width) * 4);
        result.rowsDone = y - area.y + 1;
    }
    result.finished = result.rowsDone == area.height;
    // The whole picture read: the end is read too, so that its warnings count as well.
    if (result.finished && int(cinfo.output_scanline) == wholeHeight) jpeg_finish_decompress(&cinfo);
    else jpeg_abort_decompress(&cinfo);
    return true;
}

}  // namespace

JpegLayout ReadJpegLayout(Bytes file) {
    JpegDecoder decoder(file);
    if (!ReadJpegHeader(decoder)) return {};
    jpeg_decompress_struct& cinfo = decoder.cinfo;
    JpegLayout layout;
    layout.width = int(cinfo.image_width);
    layout.height = int(cinfo.image_height);
    layout.dotsPerMeterX = JpegDotsPerMeter(cinfo.density_unit, cinfo.X_density);
    layout.dotsPerMeterY = JpegDotsPerMeter(cinfo.density_unit, cinfo.Y_density);
    layout.lineByLine = !cinfo.progressive_mode && !cinfo.arith_code && cinfo.num_components == 3 &&
                        cinfo.jpeg_color_space == JCS_YCbCr && !jpeg_has_multiple_scans(&cinfo);
    if (layout.lineByLine && cinfo.restart_interval > 0) {
        // One scan of whole units (MCUs) of the largest sampling; a marker between each
        // interval and the next.
        const int64_t unitW = 8 * cinfo.max_h_samp_factor, unitH = 8 * cinfo.max_v_samp_factor;
        const int64_t units = ((layout.width + unitW - 1) / unitW) * ((layout.height + unitH - 1) / unitH);
        const int64_t needed = (units + cinfo.restart_interval - 1) / cinfo.restart_interval - 1;
        layout.missingRestarts = CountRestarts(file.Sub(file.size - cinfo.src->bytes_in_buffer)) < needed;
    }
    return layout;
}

JpegDecoding DecodeJpegArea(Bytes file, JpegArea area, uint8_t* out, ptrdiff_t stride,
                            const std::atomic<bool>* cancel) {
    JpegDecoding result;
    JpegDecoder reading(file);
    if (!reading.Ready() || !ReadArea(reading, area, out, stride, cancel, result)) {
        result.finished = false;
        result.error = reading.errors.message;
    }
    result.endedEarly = reading.errors.endedEarly;
    result.rowsDone = std::min(result.rowsDone, area.height);
    return result;
}

}  // namespace pictures
