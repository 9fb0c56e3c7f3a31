// Push buttons on Windows. The message loop gives a form with buttons the dialog keys:
// Tab walks them by tab index, Enter presses the focused button or else the default
// one, Esc the cancel button. As in the system's dialogs, the push button with the focus
// is the default (drawn so, and pressed by Enter) while it has the focus, however it
// got it: by Tab, by a click, or when its window was activated again.
#include "runtime/buttons.h"

#include <algorithm>

#include "runtime/dispatch.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/form_events.h"

namespace rt {

namespace {

UINT IdOf(const CommandButton& b) { return UINT(GetWindowLongPtrW(b.Peer().hwnd, GWLP_ID)); }

// Tab order is the windows' z-order: the buttons in ascending tab index.
void Reorder(FormPeer& w) {
    std::vector<CommandButton*> order = w.buttons;
    std::stable_sort(order.begin(), order.end(),
                     [](const CommandButton* a, const CommandButton* b) { return a->TabIndex() < b->TabIndex(); });
    HWND after = HWND_TOP;
    for (CommandButton* b : order) {
        SetWindowPos(b->Peer().hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = b->Peer().hwnd;
    }
}

void SetStyleBit(HWND hwnd, bool on) {
    SendMessageW(hwnd, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool ShownAsDefault(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

// The button that Enter presses with the focus on this window: the focused button, else
// the form's default.
CommandButton* ActingDefault(FormPeer& w, HWND focus) {
    for (CommandButton* b : w.buttons)
        if (b->Peer().hwnd == focus) return b;
    for (CommandButton* b : w.buttons)
        if (b->Default()) return b;
    return nullptr;
}

void ShowActingDefault(FormPeer& w, HWND focus) {
    const CommandButton* acting = ActingDefault(w, focus);
    for (CommandButton* b : w.buttons)
        if (ShownAsDefault(b->Peer().hwnd) != (b == acting)) SetStyleBit(b->Peer().hwnd, b == acting);
}

WNDPROC& SystemButtonProc() {
    static WNDPROC proc = nullptr;
    return proc;
}

// The system's button, told when the focus comes or goes.
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcW(SystemButtonProc(), hwnd, message, wParam, lParam);
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS)
        if (auto* button = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            // Losing the focus, the button is told where it goes.
            const HWND focus = message == WM_SETFOCUS ? hwnd : reinterpret_cast<HWND>(wParam);
            ShowActingDefault(button->Parent().Peer(), focus);
        }
    return result;
}

}  // namespace

namespace win32 {

bool PressButton(FormPeer& w, UINT id) {
    for (CommandButton* b : w.buttons)
        if (IdOf(*b) == id) {
            if (b->OnClick) Dispatch(b->OnClick);
            return true;
        }
    return false;
}

UINT DefaultButtonId(FormPeer& w) {
    const CommandButton* acting = ActingDefault(w, GetFocus());
    return acting ? IdOf(*acting) : 0;
}

UINT CancelButtonId(FormPeer& w) {
    for (CommandButton* b : w.buttons)
        if (b->Cancel()) return IdOf(*b);
    return 0;
}

}  // namespace win32

CommandButton::CommandButton(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, win32::MakeChild(form, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON)) {
    win32::Attach(*this);
    SetWindowLongPtrW(Peer().hwnd, GWLP_ID, LONG_PTR(win32::NewCommandId()));
    // Every button is made the same way, so the procedure replaced is the system's.
    const auto system = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Peer().hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonProc)));
    if (!SystemButtonProc()) SystemButtonProc() = system;
    form.Peer().buttons.push_back(this);
    Reorder(form.Peer());
}

CommandButton::~CommandButton() {
    // The window goes after the button, and loses its focus on the way: not ours to handle.
    SetWindowLongPtrW(Peer().hwnd, GWLP_USERDATA, 0);
    auto& buttons = Parent().Peer().buttons;
    buttons.erase(std::remove(buttons.begin(), buttons.end(), this), buttons.end());
}

std::u16string CommandButton::Caption() const {
    return win32::WindowText(Peer().hwnd);
}

void CommandButton::SetCaption(const std::u16string& caption) {
    SetWindowTextW(Peer().hwnd, win32::Wide(caption).c_str());
}

void CommandButton::SetFont(const FontStyle& font) {
    SendMessageW(Peer().hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(win32::FontFor(font)), TRUE);
}

void CommandButton::SetDefault(bool on) {
    // One default button per window: a new one takes the role.
    if (on)
        for (CommandButton* other : Parent().Peer().buttons)
            if (other != this && other->Default()) other->SetDefault(false);
    default_ = on;
    ShowActingDefault(Parent().Peer(), GetFocus());
}

void CommandButton::SetCancel(bool on) {
    if (on)
        for (CommandButton* other : Parent().Peer().buttons)
            if (other != this && other->Cancel()) other->SetCancel(false);
    cancel_ = on;
}

void CommandButton::SetTabIndex(int index) {
    tabIndex_ = index;
    Reorder(Parent().Peer());
}

}  // namespace rt
