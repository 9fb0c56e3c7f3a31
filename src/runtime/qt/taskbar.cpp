#include "runtime/qt/taskbar.h"

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef ORVENNA_X11
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace rt {

#ifdef ORVENNA_X11
namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

}  // namespace
#endif

void KeepOffTaskbar(QWidget& window) {
#ifdef ORVENNA_X11
    // Qt offers this only through tool and dialog windows, which it also marks as owned
    // by the program's other windows (WM_TRANSIENT_FOR); a window of its own gets the
    // EWMH state set here instead, which Qt keeps when it maps the window.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;  // offscreen in the tests
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return;
    const xcb_window_t id = xcb_window_t(window.winId());
    const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, id, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = Atom(c, name);
        if (std::find(atoms.begin(), atoms.end(), atom) == atoms.end()) atoms.push_back(atom);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32, uint32_t(atoms.size()),
                        atoms.data());
    xcb_flush(c);
#else
    (void)window;
#endif
}

}  // namespace rt
