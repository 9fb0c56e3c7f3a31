#include "pictures/writers/workers.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace pictures {

int WorkerCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? int(cores) : 1;
}

void RunParts(int count, const std::function<void(int)>& part) {
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex lock;
    const auto work = [&] {
        for (int i; !failed && (i = next++) < count;) {
            try {
                part(i);
            } catch (...) {
                const std::lock_guard<std::mutex> hold(lock);
                if (!failure) failure = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::thread> threads;
    const int helpers = std::min(count, WorkerCount()) - 1;
    threads.reserve(size_t(std::max(helpers, 0)));
    try {
        for (int i = 0; i < helpers; ++i) threads.emplace_back(work);
    } catch (...) {  // no more threads to be had: those started and this one do the rest
    }
    work();
    for (std::thread& t : threads) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace pictures
