#include "runtime/memory_available.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace rt {

namespace {

namespace fs = std::filesystem;
constexpr int64_t kNone = std::numeric_limits<int64_t>::max();
// Limits at or above this are the kernel's way of saying "no limit".
constexpr int64_t kUnlimited = int64_t(1) << 60;

// The first number in a file ("max" and missing files give nothing).
std::optional<int64_t> NumberIn(const fs::path& file) {
    std::ifstream in(file);
    long long n = 0;
    if (in >> n) return n;
    return std::nullopt;
}

// A "key value" line's value, from files such as memory.stat and /proc/meminfo.
std::optional<int64_t> Field(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    std::string name;
    long long value = 0;
    while (in >> name >> value) {
        if (name == key) return value;
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return std::nullopt;
}

struct Mount {
    fs::path root;   // the group this mount shows at its top
    fs::path point;  // where it is mounted
};

// The mounts of the memory control groups: the v2 hierarchy and the v1 memory controller.
void FindMounts(std::optional<Mount>& v2, std::optional<Mount>& v1) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, word, type, source, options;
        fields >> id >> parent >> device >> root >> point;
        while (fields >> word && word != "-") {}
        fields >> type >> source >> options;
        if (type == "cgroup2" && !v2) v2 = Mount{root, point};
        if (type == "cgroup" && ("," + options + ",").find(",memory,") != std::string::npos && !v1)
            v1 = Mount{root, point};
    }
}

// The process's group in the v2 hierarchy ("0::/path") or under the v1 memory controller.
void FindGroups(std::string& v2, std::string& v1) {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const size_t a = line.find(':'), b = line.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        const std::string controllers = "," + line.substr(a + 1, b - a - 1) + ",";
        const std::string path = line.substr(b + 1);
        if (line.compare(0, a, "0") == 0 && controllers == ",,") v2 = path;
        else if (controllers.find(",memory,") != std::string::npos) v1 = path;
    }
}

// The group's folder under its mount; the mount's top when the group lies outside what
// the mount shows (a container that sees only its own group).
fs::path GroupFolder(const Mount& mount, const std::string& group) {
    const std::string root = mount.root.string();
    if (group.compare(0, root.size(), root) == 0) {
        const fs::path folder = mount.point / fs::path(group.substr(root.size())).relative_path();
        std::error_code ec;
        if (fs::is_directory(folder, ec)) return folder;
    }
    return mount.point;
}

// v2: every group from the process's up to the mount's top may carry its own limit.
int64_t LeftInV2(const Mount& mount, const std::string& group) {
    int64_t left = kNone;
    fs::path folder = GroupFolder(mount, group);
    for (;;) {
        const auto max = NumberIn(folder / "memory.max");
        const auto current = NumberIn(folder / "memory.current");
        if (max && current && *max < kUnlimited)
            left = std::min(left, *max - *current + Field(folder / "memory.stat", "inactive_file").value_or(0));
        if (folder == mount.point || !folder.has_relative_path()) break;
        folder = folder.parent_path();
    }
    return left;
}

// v1: memory.stat already gives the smallest limit of the group and its parents.
int64_t LeftInV1(const Mount& mount, const std::string& group) {
    const fs::path folder = GroupFolder(mount, group);
    const auto limit = Field(folder / "memory.stat", "hierarchical_memory_limit");
    const auto usage = NumberIn(folder / "memory.usage_in_bytes");
    if (!limit || !usage || *limit >= kUnlimited) return kNone;
    return *limit - *usage + Field(folder / "memory.stat", "total_inactive_file").value_or(0);
}

int64_t SystemAvailable() {
    if (const auto kb = Field("/proc/meminfo", "MemAvailable:")) return *kb * 1024;
    const long pages = sysconf(_SC_AVPHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : kNone;
}

}  // namespace

int64_t MemoryAvailable() {
    std::optional<Mount> v2Mount, v1Mount;
    std::string v2Group, v1Group;
    FindMounts(v2Mount, v1Mount);
    FindGroups(v2Group, v1Group);
    int64_t left = SystemAvailable();
    if (v2Mount && !v2Group.empty()) left = std::min(left, LeftInV2(*v2Mount, v2Group));
    if (v1Mount && !v1Group.empty()) left = std::min(left, LeftInV1(*v1Mount, v1Group));
    // Nothing could be read at all (no /proc): assume a modest machine.
    if (left == kNone) return int64_t(1) << 30;
    return std::max<int64_t>(left, 0);
}

}  // namespace rt
