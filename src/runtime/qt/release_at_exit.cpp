#include "runtime/default_instance.h"

#include <QCoreApplication>
#include <vector>

namespace rt {

namespace {

std::vector<std::function<void()>>& Releases() {
    static std::vector<std::function<void()>> releases;
    return releases;
}

void ReleaseAll() {
    // Newest first, as objects are destroyed.
    auto releases = std::move(Releases());
    Releases().clear();
    for (auto it = releases.rbegin(); it != releases.rend(); ++it) (*it)();
}

}  // namespace

void ReleaseAtExit(std::function<void()> release) {
    if (Releases().empty()) qAddPostRoutine(&ReleaseAll);
    Releases().push_back(std::move(release));
}

}  // namespace rt
