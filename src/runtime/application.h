// The application object: who we are, where we live, whether a copy already runs.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

class Application {
public:
    bool PrevInstance() const { return prevInstance_; }
    std::u16string Title() const;
    int Major() const;
    int Minor() const;
    int Revision() const;
    std::u16string Path() const;  // the program's folder, Windows form
    int32_t hInstance() const;

    // Takes the per-user lock that makes this copy the one that runs; a copy that
    // finds the lock held by a live process sees PrevInstance true.
    void ClaimSingleInstance();
    void SetPrevInstance(bool value) { prevInstance_ = value; }  // for tests

private:
    bool prevInstance_ = false;
};

Application& App();

}  // namespace rt
