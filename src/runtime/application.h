// The application object: who we are, where we live, whether a copy already runs.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

namespace testing {
void SetPrevInstance(bool value);
}

// Who the program is, as the application tells the runtime at start.
struct ProgramInfo {
    std::u16string title;  // "Orvenna"
    int major = 0;
    int minor = 0;
    int revision = 0;
    std::string id;  // lower-case name of the program's files: desktop entry, lock
};

class Application {
public:
    // Called once at start, before any form is made.
    void Introduce(ProgramInfo info) { info_ = std::move(info); }

    bool PrevInstance() const { return prevInstance_; }
    std::u16string Title() const { return info_.title; }
    int Major() const { return info_.major; }
    int Minor() const { return info_.minor; }
    int Revision() const { return info_.revision; }
    std::u16string Path() const;  // the program's folder, Windows form (backend)
    int32_t hInstance() const;  // the program's module handle (backend)

    // Takes the per-user lock that makes this copy the one that runs; a copy that
    // finds the lock held by a live process sees PrevInstance true (backend).
    void ClaimSingleInstance();

private:
    friend void testing::SetPrevInstance(bool value);
    ProgramInfo info_;
    bool prevInstance_ = false;
};

inline Application& App() {
    static Application app;
    return app;
}

}  // namespace rt
