// The Qt side of a picture completed on a worker (see pictures/completion.h): the handle
// a picture holds, and the notice the user-interface thread gets when it is whole.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <memory>

#include "pictures/completion.h"

namespace rt {

class PictureCompletion {
public:
    // The core's worker, already started.
    explicit PictureCompletion(std::unique_ptr<pictures::Completion> work) : work_(std::move(work)) {}
    // Starts decoding the whole JPEG in fd (which it owns from now on) into `image`, then,
    // when the profile is not sRGB, converting it into `shown`. Neither may be read
    // until Wait() returns.
    PictureCompletion(int fd, QImage* image, QImage* shown, QByteArray iccProfile);
    // Stops the decoding between two rows and waits for it: no worker outlives its picture.
    ~PictureCompletion();
    PictureCompletion(const PictureCompletion&) = delete;
    PictureCompletion& operator=(const PictureCompletion&) = delete;

    bool Done() const { return work_->Done(); }
    void Wait() const { work_->Wait(); }
    // Workers started and not yet ended, in the whole program.
    static int Running() { return pictures::Completion::Running(); }

private:
    std::shared_ptr<const std::string> file_;
    std::unique_ptr<pictures::Completion> work_;
};

// Tells the user-interface thread that a picture became whole (queued connections).
class CompletionNotices : public QObject {
    Q_OBJECT
public:
    static CompletionNotices& Instance();
    // Made on the user-interface thread, then told from the worker.
    static void Notify() { emit Instance().completed(); }

signals:
    void completed();
};

}  // namespace rt
