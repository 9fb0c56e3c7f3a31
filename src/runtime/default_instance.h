// A form class's single instance: made on first use and kept for the rest of the run.
#pragma once

#include <functional>

namespace rt {

// Runs the release when the application object is torn down, while the window system
// still stands (a window must not outlive it).
void ReleaseAtExit(std::function<void()> release);

template <class F>
F& DefaultInstance() {
    static F* instance = nullptr;
    if (!instance) {
        instance = new F;
        ReleaseAtExit([] {
            delete instance;
            instance = nullptr;
        });
    }
    return *instance;
}

}  // namespace rt
