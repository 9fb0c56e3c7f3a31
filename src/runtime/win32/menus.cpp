// Menus on Windows: the form's menu bar with mnemonics ("&" in captions), the shortcut
// shown beside each item, and an accelerator table that the message loop applies before
// any control sees the key.
#include <algorithm>

#include "runtime/controls.h"
#include "runtime/dispatch.h"
#include "runtime/win32/peers.h"

namespace rt {

namespace {

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
void Rebuild(FormPeer& w) {
    HMENU bar = CreateMenu();
    w.accelerators.clear();
    for (Menu* top : w.menus) {
        const MenuPeer& tp = top->Peer();
        if (!tp.visible) continue;
        HMENU popup = CreatePopupMenu();
        for (Menu* item : tp.items) {
            const MenuPeer& ip = item->Peer();
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

PeerPtr<MenuPeer> NewPeer(Form& form, const std::u16string& caption) {
    PeerPtr<MenuPeer> peer(new MenuPeer);
    peer->form = &form;
    peer->caption = win32::Wide(caption);
    return peer;
}

}  // namespace

void PeerDelete::operator()(MenuPeer* peer) const { delete peer; }

namespace win32 {

UINT NewCommandId() {
    // Menu commands from 100 on: below are the dialog keys' IDOK and IDCANCEL.
    static UINT next = 100;
    return next++;
}

void RunCommand(FormPeer& window, UINT id) {
    auto it = window.commands.find(id);
    if (it == window.commands.end() || !it->second) return;
    Dispatch(it->second);
}

}  // namespace win32

Menu::Menu(Form& form, const char* name, const std::u16string& caption) : peer_(NewPeer(form, caption)) {
    (void)name;
    form.Peer().menus.push_back(this);
    Rebuild(form.Peer());
}

Menu::Menu(Menu& parent, const char* name, const std::u16string& caption, const std::u16string& shortcut,
           std::function<void()> click)
    : peer_(NewPeer(*parent.Peer().form, caption)) {
    (void)name;
    peer_->separator = caption == u"-";
    peer_->shortcut = win32::Wide(shortcut);
    peer_->id = win32::NewCommandId();
    parent.Peer().items.push_back(this);
    FormPeer& window = peer_->form->Peer();
    if (click) window.commands[peer_->id] = std::move(click);
    Rebuild(window);
}

std::u16string Menu::Caption() const { return win32::Utf16(peer_->caption); }
bool Menu::Visible() const { return peer_->visible; }

void Menu::SetEnabled(bool enabled) {
    peer_->enabled = enabled;
    Rebuild(peer_->form->Peer());
}

void Menu::SetVisible(bool visible) {
    peer_->visible = visible;
    Rebuild(peer_->form->Peer());
}

}  // namespace rt
