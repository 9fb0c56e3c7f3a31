// The native objects behind forms, controls and menus. Each backend defines these three
// structs in its own folder (the Qt backend in runtime/qt/peers.h) and the deleter below;
// the common runtime only holds them. What a peer must do is declared in runtime/backend.h
// and, for a control kind's own properties, by the control's members that the backend defines.
#pragma once

#include <memory>

namespace rt {

struct FormPeer;     // the form's top-level window with its client area and menu bar
struct ControlPeer;  // one control's native widget, a child of its form's client area
struct MenuPeer;     // one menu-bar entry or menu item

struct PeerDelete {
    void operator()(FormPeer* peer) const;
    void operator()(ControlPeer* peer) const;
    void operator()(MenuPeer* peer) const;
};

template <class T>
using PeerPtr = std::unique_ptr<T, PeerDelete>;

}  // namespace rt
