#include "runtime/qt/picture_completion.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_jpeg_region.h"

namespace rt {

namespace {
std::atomic<int> running{0};
}

int PictureCompletion::Running() { return running.load(); }

PictureCompletion::PictureCompletion(int fd, QImage* image, QImage* shown, QByteArray iccProfile)
    : fd_(fd) {
    CompletionNotices::Instance();  // made on this (the user-interface) thread
    image->bits();                  // detached here: the worker then only writes into its rows
    ++running;
    worker_ = std::thread([this, image, shown, icc = std::move(iccProfile)]() mutable {
        Run(image, shown, std::move(icc));
    });
}

PictureCompletion::~PictureCompletion() {
    cancel_.store(true, std::memory_order_relaxed);
    worker_.join();
    ::close(fd_);
}

bool PictureCompletion::Done() const {
    std::lock_guard lock(mutex_);
    return done_;
}

void PictureCompletion::Wait() const {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return done_; });
}

void PictureCompletion::Run(QImage* image, QImage* shown, QByteArray iccProfile) {
    pthread_setname_np(pthread_self(), "picture-whole");  // as debuggers and top name it
    uint8_t* const bits = const_cast<uint8_t*>(std::as_const(*image).bits());
    const JpegDecoding decoding = DecodeJpegArea(fd_, image->rect(), bits, image->bytesPerLine(), &cancel_);
    const bool cancelled = cancel_.load(std::memory_order_relaxed);
    if (!cancelled) {
        // A decoder that gave up halfway leaves grey below, as it does for missing data.
        for (int y = decoding.rowsDone; y < image->height(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(bits + ptrdiff_t(y) * image->bytesPerLine()), image->width(),
                        qRgb(128, 128, 128));
        *shown = ConvertedToSrgb(*image, iccProfile);
    }
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    finished_.notify_all();
    if (!cancelled) emit CompletionNotices::Instance().completed();
    --running;
}

CompletionNotices& CompletionNotices::Instance() {
    static CompletionNotices notices;
    return notices;
}

}  // namespace rt
