#include "runtime/qt/picture_completion.h"

#include <unistd.h>

#include "pictures/formats/jpeg_region.h"
#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_jpeg_region.h"

namespace rt {

PictureCompletion::PictureCompletion(int fd, QImage* image, QImage* shown, QByteArray iccProfile)
    : file_(std::make_shared<const std::string>(ReadWholeFile(fd))) {
    ::close(fd);
    CompletionNotices::Instance();  // made on this (the user-interface) thread
    image->bits();                  // detached here: the worker then only writes into its rows
    work_ = std::make_unique<pictures::Completion>(
        [file = file_, image, shown, icc = std::move(iccProfile)](const std::atomic<bool>& cancel) {
            uint8_t* const bits = const_cast<uint8_t*>(std::as_const(*image).bits());
            pictures::DecodeJpegArea(pictures::Bytes(*file), {0, 0, image->width(), image->height()}, bits,
                                     image->bytesPerLine(), &cancel);
            if (!cancel.load(std::memory_order_relaxed)) *shown = ConvertedToSrgb(*image, icc);
        },
        &CompletionNotices::Notify);
}

PictureCompletion::~PictureCompletion() { work_.reset(); }

CompletionNotices& CompletionNotices::Instance() {
    static CompletionNotices notices;
    return notices;
}

}  // namespace rt
