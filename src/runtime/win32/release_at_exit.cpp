// Single instances made on first use are released when the program's loop ends, while
// their windows can still be destroyed.
#include <vector>

#include "runtime/default_instance.h"

namespace rt {

namespace {

std::vector<std::function<void()>>& Releases() {
    static std::vector<std::function<void()>> releases;
    return releases;
}

}  // namespace

void ReleaseAtExit(std::function<void()> release) { Releases().push_back(std::move(release)); }

void ReleaseAllAtExit() {
    // Newest first, as objects are destroyed.
    auto releases = std::move(Releases());
    Releases().clear();
    for (auto it = releases.rbegin(); it != releases.rend(); ++it) (*it)();
}

}  // namespace rt
