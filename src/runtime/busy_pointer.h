// The busy pointer, shown while a long step runs on the user-interface thread (backend).
#pragma once

namespace rt {

class BusyPointer {
public:
    // Shows the busy pointer when on is true (and a GUI exists), until destroyed.
    explicit BusyPointer(bool on = true);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool on_;
};

}  // namespace rt
