#include "pictures/completion.h"

#include <pthread.h>

namespace pictures {

namespace {
std::atomic<int> running{0};
}

int Completion::Running() { return running.load(); }

Completion::Completion(std::function<void(const std::atomic<bool>& cancel)> job, std::function<void()> notify) {
    ++running;
    worker_ = std::thread([this, job = std::move(job), notify = std::move(notify)] {
        pthread_setname_np(pthread_self(), "picture-whole");  // as debuggers and top name it
        try {
            job(cancel_);
        } catch (...) {
            // a job that fails leaves the picture as far as it got; the worker still ends
        }
        const bool cancelled = cancel_.load(std::memory_order_relaxed);
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        if (!cancelled && notify) notify();
        --running;
    });
}

Completion::~Completion() {
    cancel_.store(true, std::memory_order_relaxed);
    worker_.join();
}

bool Completion::Done() const {
    std::lock_guard lock(mutex_);
    return done_;
}

void Completion::Wait() const {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return done_; });
}

}  // namespace pictures
