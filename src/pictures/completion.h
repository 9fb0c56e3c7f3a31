// The rest of a picture decoded on a thread of its own while its visible part is shown
// already; everything that reads the whole picture waits for it first.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace pictures {

class Completion {
public:
    // Runs job on a worker; the job stops early once cancel is set. Unless it was stopped,
    // notify then runs on the worker too, after Done() has turned true (to tell the
    // screen, which then finds the picture whole).
    explicit Completion(std::function<void(const std::atomic<bool>& cancel)> job, std::function<void()> notify = {});
    // Stops the job and waits for it: no worker outlives its picture.
    ~Completion();
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;

    bool Done() const;
    void Wait() const;
    // Workers started and not yet ended, in the whole program.
    static int Running();

private:
    std::atomic<bool> cancel_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable finished_;
    bool done_ = false;
    std::thread worker_;
};

}  // namespace pictures
