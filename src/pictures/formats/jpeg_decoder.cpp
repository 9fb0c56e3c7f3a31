#include "pictures/formats/jpeg_decoder.h"

namespace pictures {

namespace {

void OnError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    errors->code = cinfo->err->msg_code;
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    ++cinfo->err->num_warnings;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) {
        errors->endedEarly = true;
        errors->code = code;
        std::longjmp(errors->jump, 1);
    }
}

}  // namespace

JpegDecoder::JpegDecoder(Bytes file) {
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnError;
    errors.manager.emit_message = OnMessage;
    if (setjmp(errors.jump)) return;  // no memory for the decompressor
    jpeg_create_decompress(&cinfo);
    ready_ = true;
    jpeg_mem_src(&cinfo, file.data, static_cast<unsigned long>(file.size));
}

JpegDecoder::~JpegDecoder() {
    if (ready_) jpeg_destroy_decompress(&cinfo);
}

void JpegDecoder::Fail() const {
    if (!ready_ || errors.code == JERR_OUT_OF_MEMORY) pictures::Fail(Failure::OutOfMemory);
    if (errors.endedEarly) pictures::Fail(Failure::Truncated);
    // Without a backing store libjpeg refuses what would pass its memory limit.
    if (errors.code == JERR_NO_BACKING_STORE) pictures::Fail(Failure::TooLarge);
    if (errors.code == JERR_BAD_PRECISION)
        pictures::Fail(Failure::Damaged, u"its samples have " + Text(std::to_string(cinfo.data_precision)) +
                                             u" bits; only 8-bit JPEG pictures are read");
    pictures::Fail(Failure::Damaged, Text(errors.message));
}

bool ReadJpegHeader(JpegDecoder& decoder) {
    if (!decoder.Ready()) return false;
    if (setjmp(decoder.errors.jump)) return false;
    return jpeg_read_header(&decoder.cinfo, TRUE) == JPEG_HEADER_OK;
}

int JpegDotsPerMeter(int unit, int density) {
    if (unit == 1) return int(100. * density / 2.54);  // dots per inch
    if (unit == 2) return int(100. * density);          // dots per centimetre
    return 0;
}

}  // namespace pictures
