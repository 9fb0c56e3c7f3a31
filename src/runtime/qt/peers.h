// The Qt objects behind forms, controls and menus, and how the backend (and the widget
// tests) reach them.
#pragma once

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <memory>

#include "runtime/controls.h"
#include "runtime/form.h"
#include "runtime/peer.h"
#include "runtime/qt/form_widget.h"

namespace rt {

struct FormPeer {
    std::unique_ptr<FormWidget> window;
};

// The widget belongs to its parent, the form's client area: it goes with the window.
struct ControlPeer {
    QWidget* widget;
};

struct MenuPeer {
    QMenu* menu = nullptr;  // set for a top-level entry
    QAction* action = nullptr;
};

inline FormWidget& WindowOf(const Form& form) { return *form.Peer().window; }
// The client area, parent of the controls.
inline QWidget* ClientOf(const Form& form) { return WindowOf(form).client(); }
inline QWidget* WidgetOf(const Control& control) { return control.Peer().widget; }

// A control's peer for a widget made as a child of its form's client area.
inline PeerPtr<ControlPeer> MakeControlPeer(QWidget* widget, const char* name) {
    widget->setObjectName(QString::fromUtf8(name));
    return PeerPtr<ControlPeer>(new ControlPeer{widget});
}

}  // namespace rt
