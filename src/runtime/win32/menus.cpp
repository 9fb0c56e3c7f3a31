// Menus on Windows: the form's menu bar with mnemonics ("&" in captions), the shortcut
// shown beside each item, and an accelerator table that the message loop applies before
// any control sees the key.
#include <algorithm>

#include "runtime/controls.h"
#include "runtime/dispatch.h"
#include "runtime/win32/backend.h"

namespace rt {

namespace {

struct MenuPeer {
    Form* form = nullptr;
    std::wstring caption;
    std::wstring shortcut;
    UINT id = 0;
    bool separator = false;
    bool enabled = true;
    bool visible = true;
    std::vector<Menu*> children;  // for a top-level entry
};

std::map<const Menu*, MenuPeer>& Peers() {
    static std::map<const Menu*, MenuPeer> peers;
    return peers;
}

// The top-level entries of each form's menu bar, in order.
std::map<Form*, std::vector<Menu*>>& Bars() {
    static std::map<Form*, std::vector<Menu*>> bars;
    return bars;
}

// "Ctrl+O" as an accelerator; false for a shortcut that is not understood.
bool ParseShortcut(const std::wstring& text, ACCEL& accel) {
    accel.fVirt = FVIRTKEY;
    size_t at = 0;
    for (;;) {
        const size_t plus = text.find(L'+', at);
        if (plus == std::wstring::npos) break;
        const std::wstring modifier = text.substr(at, plus - at);
        if (modifier == L"Ctrl") accel.fVirt |= FCONTROL;
        else if (modifier == L"Shift") accel.fVirt |= FSHIFT;
        else if (modifier == L"Alt") accel.fVirt |= FALT;
        else return false;
        at = plus + 1;
    }
    const std::wstring key = text.substr(at);
    if (key.size() == 1 && ((key[0] >= L'A' && key[0] <= L'Z') || (key[0] >= L'0' && key[0] <= L'9'))) {
        accel.key = WORD(key[0]);
        return true;
    }
    if (key.size() >= 2 && key[0] == L'F') {
        const int n = _wtoi(key.c_str() + 1);
        if (n >= 1 && n <= 24) {
            accel.key = WORD(VK_F1 + n - 1);
            return true;
        }
    }
    return false;
}

// Builds the form's menu bar and accelerators afresh from its menus.
void Rebuild(Form& form) {
    FormWidget& w = form.Widget();
    HMENU bar = CreateMenu();
    w.accelerators.clear();
    for (Menu* top : Bars()[&form]) {
        const MenuPeer& tp = Peers()[top];
        if (!tp.visible) continue;
        HMENU popup = CreatePopupMenu();
        for (Menu* item : tp.children) {
            const MenuPeer& ip = Peers()[item];
            if (!ip.visible) continue;
            if (ip.separator) {
                AppendMenuW(popup, MF_SEPARATOR, ip.id, nullptr);
                continue;
            }
            const std::wstring text = ip.shortcut.empty() ? ip.caption : ip.caption + L"\t" + ip.shortcut;
            AppendMenuW(popup, MF_STRING | (ip.enabled ? 0 : MF_GRAYED), ip.id, text.c_str());
            ACCEL accel{};
            if (ip.enabled && !ip.shortcut.empty() && ParseShortcut(ip.shortcut, accel)) {
                accel.cmd = WORD(ip.id);
                w.accelerators.push_back(accel);
            }
        }
        AppendMenuW(bar, MF_POPUP | (tp.enabled ? 0 : MF_GRAYED), reinterpret_cast<UINT_PTR>(popup),
                    tp.caption.c_str());
    }
    HMENU old = w.menuBar;
    w.menuBar = bar;
    SetMenu(w.hwnd, bar);
    if (old) DestroyMenu(old);
    DrawMenuBar(w.hwnd);
    w.acceleratorsChanged = true;
}

}  // namespace

namespace win32 {

UINT NewCommandId() {
    // Menu commands from 100 on: below are the dialog keys' IDOK and IDCANCEL.
    static UINT next = 100;
    return next++;
}

void ForgetMenus(Form& form) {
    Bars().erase(&form);
    for (auto it = Peers().begin(); it != Peers().end();) {
        if (it->second.form == &form)
            it = Peers().erase(it);
        else
            ++it;
    }
}

void RunCommand(Form& form, UINT id) {
    auto& commands = form.Widget().commands;
    auto it = commands.find(id);
    if (it == commands.end() || !it->second) return;
    Dispatch(it->second);
}

}  // namespace win32

Menu::Menu(Form& form, const char* name, const std::u16string& caption) : name_(name) {
    MenuPeer& peer = Peers()[this];
    peer.form = &form;
    peer.caption = win32::Wide(caption);
    Bars()[&form].push_back(this);
    Rebuild(form);
}

Menu::Menu(Menu& parent, const char* name, const std::u16string& caption, const std::u16string& shortcut,
           std::function<void()> click)
    : name_(name) {
    MenuPeer& peer = Peers()[this];
    MenuPeer& parentPeer = Peers()[&parent];
    peer.form = parentPeer.form;
    peer.caption = win32::Wide(caption);
    peer.separator = caption == u"-";
    peer.shortcut = win32::Wide(shortcut);
    peer.id = win32::NewCommandId();
    parentPeer.children.push_back(this);
    if (click) peer.form->Widget().commands[peer.id] = std::move(click);
    Rebuild(*peer.form);
}

std::u16string Menu::Caption() const { return win32::Utf16(Peers()[this].caption); }
bool Menu::Enabled() const { return Peers()[this].enabled; }
bool Menu::Visible() const { return Peers()[this].visible; }

void Menu::SetEnabled(bool enabled) {
    MenuPeer& peer = Peers()[this];
    peer.enabled = enabled;
    Rebuild(*peer.form);
}

void Menu::SetVisible(bool visible) {
    MenuPeer& peer = Peers()[this];
    peer.visible = visible;
    Rebuild(*peer.form);
}

}  // namespace rt
