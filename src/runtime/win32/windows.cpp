// Forms' windows on Windows: a top-level window per form, sized from its design, shown,
// hidden and named as the common runtime asks.
#include <windows.h>
// After windows.h, which it needs.
#include <ole2.h>

#include "runtime/backend.h"
#include "runtime/win32/form_events.h"
#include "runtime/win32/peers.h"

namespace rt {

namespace {

DWORD StyleOf(const FormDesign& d) {
    if (d.fixedDialog) return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}

DWORD ExStyleOf(const FormDesign& d) { return WS_EX_CONTROLPARENT | (d.fixedDialog ? WS_EX_DLGMODALFRAME : 0); }

}  // namespace

HACCEL FormPeer::Accelerators() {
    if (acceleratorsChanged) {
        if (acceleratorTable) DestroyAcceleratorTable(acceleratorTable);
        acceleratorTable = accelerators.empty()
                               ? nullptr
                               : CreateAcceleratorTableW(accelerators.data(), int(accelerators.size()));
        acceleratorsChanged = false;
    }
    return acceleratorTable;
}

void PeerDelete::operator()(FormPeer* peer) const {
    if (peer->acceleratorTable) DestroyAcceleratorTable(peer->acceleratorTable);
    if (peer->dropTarget) RevokeDragDrop(peer->hwnd);
    if (peer->hwnd) DestroyWindow(peer->hwnd);  // its menu bar and children go with it
    delete peer;
}

namespace win32 {

HWND WindowOf(const Form& form) { return form.Peer().hwnd; }

HWND ToHwnd(int32_t handle) { return reinterpret_cast<HWND>(intptr_t(handle)); }

Form* FormOfWindow(HWND hwnd) {
    if (!hwnd) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    wchar_t cls[32] = {};
    if (!root || !GetClassNameW(root, cls, 32)) return nullptr;
    if (std::wstring(cls) != kFormClass) return nullptr;
    auto* peer = reinterpret_cast<FormPeer*>(GetWindowLongPtrW(root, GWLP_USERDATA));
    return peer ? peer->form : nullptr;
}

}  // namespace win32

namespace backend {

PeerPtr<FormPeer> MakeWindow(Form& form) {
    win32::RegisterClasses();
    PeerPtr<FormPeer> peer(new FormPeer);
    peer->form = &form;
    const FormDesign& d = form.Design();
    // A window with an owner has no taskbar entry.
    const HWND owner = d.showInTaskbar ? nullptr : win32::HiddenOwner();
    const std::wstring caption = win32::Wide(d.caption);
    peer->hwnd = CreateWindowExW(ExStyleOf(d), win32::kFormClass, caption.c_str(), StyleOf(d), CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, win32::Instance(),
                                 peer.get());
    SendMessageW(peer->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(win32::ProgramIcon(true)));
    SendMessageW(peer->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(win32::ProgramIcon(false)));
    if (d.acceptsDrops) peer->dropTarget = win32::AcceptFormDrops(form, peer->hwnd);
    return peer;
}

void PlaceWindow(FormPeer& window, const Form& form) {
    const FormDesign& d = form.Design();
    const int w = win32::ToDeviceX(int(d.clientWidthTwips / kTwipsPerPixel + 0.5));
    const int h = win32::ToDeviceY(int(d.clientHeightTwips / kTwipsPerPixel + 0.5));
    const bool stored = d.startLeftTwips >= 0 && d.startTopTwips >= 0;
    const int x = stored ? win32::ToDeviceX(int(d.startLeftTwips / kTwipsPerPixel + 0.5)) : 0;
    const int y = stored ? win32::ToDeviceY(int(d.startTopTwips / kTwipsPerPixel + 0.5)) : 0;
    HWND hwnd = window.hwnd;
    RECT rc{x, y, x + w, y + h};
    AdjustWindowRectEx(&rc, DWORD(GetWindowLongW(hwnd, GWL_STYLE)), GetMenu(hwnd) != nullptr,
                       DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE)));
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (stored ? 0 : SWP_NOMOVE);
    SetWindowPos(hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, flags);
    // A menu bar that wraps takes more than one line: grow the window by what is missing.
    RECT client;
    GetClientRect(hwnd, &client);
    const int missing = h - (client.bottom - client.top);
    if (missing > 0)
        SetWindowPos(hwnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + missing,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    window.lastFocus = nullptr;  // a form placed afresh starts with its first control
}

// The system keeps a hidden window's place: nothing to put back.
void RestoreWindowPlace(FormPeer&) {}

// The taskbar entry follows from the window's owner, given when it was made.
void ShowWindow(FormPeer& window, const Form&) {
    ::ShowWindow(window.hwnd, SW_SHOW);
    SetForegroundWindow(window.hwnd);
    BringWindowToTop(window.hwnd);
    if (!window.lastFocus) win32::FocusFirst(window);
}

void HideWindow(FormPeer& window, bool) { ::ShowWindow(window.hwnd, SW_HIDE); }

int32_t WindowHandle(const FormPeer& window) { return int32_t(reinterpret_cast<intptr_t>(window.hwnd)); }

bool WindowVisible(const FormPeer& window) { return IsWindowVisible(window.hwnd) != FALSE; }

void SetWindowCaption(FormPeer& window, const std::u16string& caption) {
    SetWindowTextW(window.hwnd, win32::Wide(caption).c_str());
}

}  // namespace backend
}  // namespace rt
