#include "runtime/qt/picture_jpeg_region.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <vector>

// The settings are libjpeg's defaults, which are Qt's reader's too (accurate integer
// transform, smooth upsampling), so both make the same pixels. Crop and skip decode
// whole 8 or 16 pixel blocks and upsample at their edges as if the picture ended there:
// a margin of one block row or column around the area keeps its own pixels exact.

namespace rt {

namespace {

constexpr int kMargin = 16;  // the largest block (iMCU) a picture with 2x2 sampling has

// Reads the file by position, so that two decoders (and Qt's reader) can share it.
struct FileSource {
    jpeg_source_mgr manager{};
    int fd = -1;
    off_t at = 0;
    JOCTET buffer[1 << 16];
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    ssize_t n;
    do n = ::pread(src->fd, src->buffer, sizeof src->buffer, src->at);
    while (n < 0 && errno == EINTR);
    if (n <= 0) {  // as libjpeg's own sources do: warn, and end the data with an end mark
        WARNMS(cinfo, JWRN_JPEG_EOF);
        static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
        src->manager.next_input_byte = kEnd;
        src->manager.bytes_in_buffer = 2;
        return TRUE;
    }
    src->at += n;
    src->manager.next_input_byte = src->buffer;
    src->manager.bytes_in_buffer = size_t(n);
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    if (count <= 0) return;
    if (size_t(count) <= src->manager.bytes_in_buffer) {
        src->manager.next_input_byte += count;
        src->manager.bytes_in_buffer -= size_t(count);
        return;
    }
    src->at += off_t(size_t(count) - src->manager.bytes_in_buffer);
    src->manager.bytes_in_buffer = 0;
}

// Errors end the decoding through a jump; warnings are counted. Only the first warning
// is looked at, as libjpeg passes only that one on to Qt's reader.
struct Errors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump;
    bool endedEarly = false;
    char message[JMSG_LENGTH_MAX] = {};
};

void OnError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<Errors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* errors = reinterpret_cast<Errors*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (cinfo->err->num_warnings++ == 0) errors->endedEarly = code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER;
}

// A decompressor reading from the file, with its error handling.
struct Decoder {
    jpeg_decompress_struct cinfo{};
    Errors errors;
    FileSource source;

    explicit Decoder(int fd) {
        cinfo.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = OnError;
        errors.manager.emit_message = OnMessage;
        jpeg_create_decompress(&cinfo);
        source.fd = fd;
        source.manager.init_source = InitSource;
        source.manager.fill_input_buffer = FillInput;
        source.manager.skip_input_data = SkipInput;
        source.manager.resync_to_restart = jpeg_resync_to_restart;
        source.manager.term_source = TermSource;
        cinfo.src = &source.manager;
    }
    ~Decoder() { jpeg_destroy_decompress(&cinfo); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

int DotsPerMeter(int unit, int density) {
    if (unit == 1) return int(100. * density / 2.54);  // dots per inch
    if (unit == 2) return int(100. * density);          // dots per centimetre
    return 0;
}

// The restart markers (FF D0 to FF D7) from a position to the end of the file. In the
// compressed data a byte FF is always followed by 00 or a marker, so they are found by
// their bytes alone.
int64_t CountRestarts(int fd, off_t from) {
    std::vector<unsigned char> buffer(size_t(1) << 20);
    int64_t count = 0;
    bool afterFF = false;
    for (off_t at = from;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
        if (n <= 0) return count;
        for (ssize_t i = 0; i < n; ++i) {
            const unsigned char b = buffer[size_t(i)];
            if (afterFF && b >= 0xD0 && b <= 0xD7) ++count;
            afterFF = b == 0xFF;
        }
        at += n;
    }
}

}  // namespace

JpegLayout ReadJpegLayout(int fd) {
    auto decoder = std::make_unique<Decoder>(fd);
    jpeg_decompress_struct& cinfo = decoder->cinfo;
    JpegLayout layout;
    if (setjmp(decoder->errors.jump)) return JpegLayout{};
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return layout;
    layout.size = QSize(int(cinfo.image_width), int(cinfo.image_height));
    layout.dotsPerMeterX = DotsPerMeter(cinfo.density_unit, cinfo.X_density);
    layout.dotsPerMeterY = DotsPerMeter(cinfo.density_unit, cinfo.Y_density);
    layout.lineByLine = !cinfo.progressive_mode && !cinfo.arith_code && cinfo.num_components == 3 &&
                        cinfo.jpeg_color_space == JCS_YCbCr && !jpeg_has_multiple_scans(&cinfo);
    if (layout.lineByLine && cinfo.restart_interval > 0) {
        // One scan of whole units (MCUs) of the largest sampling; a marker between each
        // interval and the next.
        const int64_t unitW = 8 * cinfo.max_h_samp_factor, unitH = 8 * cinfo.max_v_samp_factor;
        const int64_t units = ((layout.size.width() + unitW - 1) / unitW) * ((layout.size.height() + unitH - 1) / unitH);
        const int64_t needed = (units + cinfo.restart_interval - 1) / cinfo.restart_interval - 1;
        const off_t data = decoder->source.at - off_t(decoder->source.manager.bytes_in_buffer);
        layout.missingRestarts = CountRestarts(fd, data) < needed;
    }
    return layout;
}

JpegDecoding DecodeJpegArea(int fd, const QRect& area, uint8_t* out, ptrdiff_t stride,
                            const std::atomic<bool>* cancel) {
    auto decoder = std::make_unique<Decoder>(fd);
    jpeg_decompress_struct& cinfo = decoder->cinfo;
    JpegDecoding result;
    std::vector<uint8_t> line;  // both made before the jump point, so that a jump frees them
    if (setjmp(decoder->errors.jump)) {  // only what lives on the heap is read after the jump
        JpegDecoding failed;
        failed.error = QString::fromLatin1(decoder->errors.message);
        failed.endedEarly = decoder->errors.endedEarly;
        failed.rowsDone = std::clamp(int(cinfo.output_scanline) - area.top(), 0, area.height());
        return failed;
    }
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;  // QImage's RGB32 in memory, alpha 0xFF
    jpeg_start_decompress(&cinfo);
    const QRect whole(0, 0, int(cinfo.output_width), int(cinfo.output_height));
    if (!whole.contains(area) || area.isEmpty()) {
        result.error = QStringLiteral("the area lies outside the picture");
        return result;
    }

    // Columns: the area and a margin, which libjpeg widens further to whole blocks.
    JDIMENSION left = JDIMENSION(std::max(0, area.left() - kMargin));
    JDIMENSION width = JDIMENSION(std::min(whole.width(), area.right() + 1 + kMargin)) - left;
    const bool cropped = width < cinfo.output_width;
    if (cropped) jpeg_crop_scanline(&cinfo, &left, &width);
    const size_t skipBytes = size_t(area.left() - int(left)) * 4;
    // Rows above the area are skipped, but for a margin that primes the upsampling.
    const int firstRead = std::max(0, area.top() - kMargin);
    if (firstRead > 0) jpeg_skip_scanlines(&cinfo, JDIMENSION(firstRead));

    const bool direct = !cropped && area.left() == 0;  // rows land in the output as they are
    line.resize(size_t(cinfo.output_width) * 4);
    while (int(cinfo.output_scanline) <= area.bottom()) {
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
        const int y = int(cinfo.output_scanline);
        uint8_t* target = y >= area.top() && direct ? out + ptrdiff_t(y - area.top()) * stride : line.data();
        JSAMPROW row = target;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        if (y < area.top()) continue;
        if (!direct) std::memcpy(out + ptrdiff_t(y - area.top()) * stride, line.data() + skipBytes, size_t(area.width()) * 4);
        result.rowsDone = y - area.top() + 1;
    }
    result.finished = result.rowsDone == area.height();
    result.endedEarly = decoder->errors.endedEarly;
    // The whole picture read: the end is read too, so that its warnings count as well.
    if (result.finished && int(cinfo.output_scanline) == whole.height()) jpeg_finish_decompress(&cinfo);
    else jpeg_abort_decompress(&cinfo);
    result.endedEarly = decoder->errors.endedEarly;
    return result;
}

}  // namespace rt
