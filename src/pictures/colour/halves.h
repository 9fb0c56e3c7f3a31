// Converting a large picture's rows on both of the machine's usual two cores.
#pragma once

#include <thread>

namespace pictures {

// Runs work(half, first, end) on rows [first, end): the top half on a thread of its own,
// the bottom half on the caller's, when there are pixels enough to repay starting a
// thread. work must not throw.
template <class Work>
void InTwoHalves(int width, int height, Work&& work) {
    if (double(width) * height < 256 * 1024 || height < 2) {
        work(0, 0, height);
        return;
    }
    const int middle = height / 2;
    std::thread top([&] { work(0, 0, middle); });
    work(1, middle, height);
    top.join();
}

}  // namespace pictures
