#include "runtime/win32/form_events.h"

#include <windowsx.h>

#include "runtime/dispatch.h"

namespace rt::win32 {

namespace {

FormPeer* PeerOfWindow(HWND hwnd) { return reinterpret_cast<FormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// Labels draw in their colours; one without a background of its own shows the form's.
LRESULT ColorStatic(HDC dc, HWND control) {
    auto* c = reinterpret_cast<Control*>(GetWindowLongPtrW(control, GWLP_USERDATA));
    ControlPeer* peer = c ? &c->Peer() : nullptr;
    if (peer && peer->hasFore) SetTextColor(dc, peer->fore);
    if (peer && peer->hasBack) {
        SetBkColor(dc, peer->back);
        return reinterpret_cast<LRESULT>(peer->backBrush);
    }
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void Command(FormPeer& w, WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (lParam == 0 && id != IDOK && id != IDCANCEL) {  // a menu item or its shortcut
        RunCommand(w, id);
        return;
    }
    // Enter and Esc, as the dialog keys report them, press the default and cancel buttons.
    if (id == IDOK) {
        if (const UINT def = DefaultButtonId(w)) PressButton(w, def);
        return;
    }
    if (id == IDCANCEL) {
        if (const UINT cancel = CancelButtonId(w)) PressButton(w, cancel);
        return;
    }
    if (HIWORD(wParam) == BN_CLICKED) PressButton(w, id);
}

}  // namespace

int16_t ButtonsOf(WPARAM keys) {
    return int16_t(((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) | ((keys & MK_MBUTTON) ? 4 : 0));
}

int16_t ShiftOf(WPARAM keys) {
    return int16_t(((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

void FocusFirst(FormPeer& widget) {
    // The buttons' tab order puts the lowest index first among the tab stops.
    HWND first = GetNextDlgTabItem(widget.hwnd, nullptr, FALSE);
    if (first) SetFocus(first);
    widget.lastFocus = first;
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    FormPeer* w = PeerOfWindow(hwnd);
    if (!w) return DefWindowProcW(hwnd, message, wParam, lParam);
    Form* form = w->form;
    if (message == TaskbarCreatedMessage()) {
        ForgetNotifyIcons(hwnd);
        return 0;
    }

    switch (message) {
    case kRunLaterMessage: RunPosted(lParam); return 0;
    case WM_COMMAND: Command(*w, wParam, lParam); return 0;
    case DM_GETDEFID:
        if (const UINT def = DefaultButtonId(*w)) return MAKELRESULT(def, DC_HASDEFID);
        return 0;
    case WM_CLOSE:
        // The close box, the system menu, Alt+F4: the form's close query decides.
        if (!Ended()) Dispatch([form] { UnloadFor(*form, vbFormControlMenu); });
        return 0;
    case WM_QUERYENDSESSION:
        // The user logs off or the system shuts down: asked as any close. A command that
        // still waits for the user (a box is open) keeps the session from ending under it.
        if (HandlerRunning()) return FALSE;
        Dispatch([form] { UnloadFor(*form, vbAppWindows); });
        return form->IsLoaded() ? FALSE : TRUE;
    case WM_MOUSEMOVE: {
        // An event over the notification icon: Button from its mouse message, which X
        // carries. The icon stays when its window is closed, but its clicks reach nobody
        // then: they must not bring a closed window back.
        if (const std::optional<UINT> over = NotifyIconMouseMessage(hwnd, message, wParam, lParam)) {
            const int16_t button = ButtonOfMouseMessage(*over);
            const float x = float(*over);
            Dispatch([form, button, x] {
                if (form->IsLoaded()) form->Form_MouseMove(button, 0, x, 0);
            });
            return 0;
        }
        const int16_t button = ButtonsOf(wParam), shift = ShiftOf(wParam);
        const float x = float(form->PixelsToUnitsX(ToLogicalX(GET_X_LPARAM(lParam))));
        const float y = float(form->PixelsToUnitsY(ToLogicalY(GET_Y_LPARAM(lParam))));
        Dispatch([form, button, shift, x, y] { form->Form_MouseMove(button, shift, x, y); });
        return 0;
    }
    case WM_CTLCOLORSTATIC: return ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
        // The control that had the focus gets it back when the window is active again.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus)) w->lastFocus = focus;
        }
        return 0;
    case WM_SETFOCUS:
        if (w->lastFocus && IsWindow(w->lastFocus) && IsChild(hwnd, w->lastFocus))
            SetFocus(w->lastFocus);
        else
            FocusFirst(*w);
        return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

bool TranslateFormMessage(MSG& msg) {
    Form* form = FormOfWindow(msg.hwnd);
    if (!form || !form->IsLoaded()) return false;
    FormPeer& w = form->Peer();
    if (HACCEL table = w.Accelerators())
        if (TranslateAcceleratorW(w.hwnd, table, &msg)) return true;
    // A form with buttons takes the dialog keys: Tab, Enter for the default button,
    // Esc for the cancel button.
    if (!w.buttons.empty()) return IsDialogMessageW(w.hwnd, &msg) != FALSE;
    // Elsewhere Tab walks the controls in tab order.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) < 0)) {
        const bool back = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(w.hwnd, GetFocus(), back)) SetFocus(next);
        return true;
    }
    if (msg.message == WM_CHAR && msg.wParam == L'\t') return true;
    return false;
}

}  // namespace rt::win32
