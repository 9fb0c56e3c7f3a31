// The rest of a picture decoded on a thread of its own while its visible part is on the
// screen already.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace rt {

class PictureCompletion {
public:
    // Starts decoding the whole JPEG in fd (which it owns from now on) into `image`, then,
    // when the profile is not sRGB, converting it into `shown`. Neither may be read
    // until Wait() returns.
    PictureCompletion(int fd, QImage* image, QImage* shown, QByteArray iccProfile);
    // Stops the decoding between two rows and waits for it: no worker outlives its picture.
    ~PictureCompletion();
    PictureCompletion(const PictureCompletion&) = delete;
    PictureCompletion& operator=(const PictureCompletion&) = delete;

    bool Done() const;
    void Wait() const;
    // Workers started and not yet ended, in the whole program.
    static int Running();

private:
    void Run(QImage* image, QImage* shown, QByteArray iccProfile);

    int fd_;
    std::atomic<bool> cancel_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable finished_;
    bool done_ = false;
    std::thread worker_;
};

// Tells the user-interface thread that a picture became whole (queued connections).
class CompletionNotices : public QObject {
    Q_OBJECT
public:
    static CompletionNotices& Instance();

signals:
    void completed();
};

}  // namespace rt
