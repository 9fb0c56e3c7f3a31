// Start-up: the time from starting the program until its main window is mapped on the X
// server, next to a bare Qt window with a menu bar, in interleaved runs on a private Xvfb
// (no window manager: the program's own window is the first top-level mapped). Also the
// shared libraries each has mapped by then, and which codec libraries of the HEIF, AVIF and
// JPEG XL modules the program has (it should have none: they wait for a picture). Run with
// `cmake --build <build> --target bench`.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 12;
constexpr double kAim = 1.15;

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

// Starts Xvfb on a free display it picks itself, and returns that display's name once it
// accepts connections.
std::string StartXvfb(pid_t* server) {
    int pipefd[2];
    if (pipe(pipefd) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, pipefd[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);  // its start-up chatter
    const std::string fd = std::to_string(pipefd[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", nullptr};
    if (posix_spawnp(server, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0) return {};
    close(pipefd[1]);
    std::string number;
    char c;
    while (read(pipefd[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipefd[0]);
    return number.empty() ? std::string() : ":" + number;
}

struct Run {
    double ms = -1;
    int libraries = 0;
    std::string families;  // the picture families' codec libraries among them, which should wait for a picture
};

void SharedLibraries(pid_t pid, Run& run) {
    static const char* const kFamilies[] = {"libheif", "libavif", "libjxl", "libde265", "libhwy", "libdav1d", "libaom"};
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::set<std::string> libraries;
    for (std::string line; std::getline(maps, line);) {
        const size_t slash = line.find('/');
        if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) libraries.insert(line.substr(slash));
    }
    run.libraries = int(libraries.size());
    for (const char* family : kFamilies)
        for (const std::string& library : libraries)
            if (library.find(std::string("/") + family) != std::string::npos) {
                run.families += std::string(run.families.empty() ? "" : " ") + family;
                break;
            }
}

// Starts the program and waits (at most 20 s) for a top-level window of it to be mapped.
Run TimeToMapped(xcb_connection_t* x, const std::string& exe, const std::string& display, int round) {
    // A desktop session's runtime folder is a tmpfs (/run/user/<uid>), where the program's
    // single-copy lock costs no disk sync; /dev/shm is one where the session has none.
    const char* tmpfs = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string runtime =
        std::string(tmpfs) + "/orvenna-bench-startup-" + std::to_string(getpid()) + "-" + std::to_string(round);
    mkdir(runtime.c_str(), 0700);
    const auto start = Clock::now();
    const pid_t pid = Spawn({exe}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + runtime});
    Run run;
    if (pid < 0) return run;
    const auto deadline = start + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        xcb_generic_event_t* event = xcb_poll_for_event(x);
        if (!event) {
            if (xcb_connection_has_error(x)) break;
            usleep(200);
            continue;
        }
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
        free(event);
        if (mapped) {
            run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            SharedLibraries(pid, run);
            break;
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::system(("rm -rf " + runtime).c_str());
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : ORVENNA_EXE;
    const std::string bare = argc > 2 ? argv[2] : BARE_WINDOW_EXE;
    pid_t server = -1;
    const std::string display = StartXvfb(&server);
    xcb_connection_t* x = display.empty() ? nullptr : xcb_connect(display.c_str(), nullptr);
    if (!x || xcb_connection_has_error(x)) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    std::vector<double> ours, theirs;
    int ourLibraries = 0, theirLibraries = 0;
    std::string ourFamilies;
    // One unmeasured run each fills the file cache.
    TimeToMapped(x, program, display, -1);
    TimeToMapped(x, bare, display, -2);
    for (int round = 0; round < kRounds; ++round) {
        const Run a = TimeToMapped(x, program, display, 2 * round);
        const Run b = TimeToMapped(x, bare, display, 2 * round + 1);
        if (a.ms < 0 || b.ms < 0) {
            std::fprintf(stderr, "a window was not mapped within 20 s\n");
            return 1;
        }
        ours.push_back(a.ms);
        theirs.push_back(b.ms);
        ourLibraries = a.libraries;
        ourFamilies = a.families;
        theirLibraries = b.libraries;
    }
    xcb_disconnect(x);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);

    const double ratio = Median(ours) / Median(theirs);
    std::printf("start to main window mapped, median of %d interleaved runs under Xvfb\n", kRounds);
    std::printf("  orvenna           %7.1f ms  %3d shared libraries mapped\n", Median(ours), ourLibraries);
    std::printf("  bare Qt window    %7.1f ms  %3d shared libraries mapped\n", Median(theirs), theirLibraries);
    std::printf("  codec libraries of HEIF, AVIF, JPEG XL mapped by then: %s (aim: none)\n",
                ourFamilies.empty() ? "none" : ourFamilies.c_str());
    std::printf("  ratio             %7.2f     (aim: at most %.2f) %s\n", ratio, kAim, ratio <= kAim ? "met" : "NOT MET");
    return 0;
}
