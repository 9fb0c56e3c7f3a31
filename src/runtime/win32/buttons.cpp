// Push buttons on Windows. The message loop gives a form with buttons the dialog keys:
// Tab walks them by tab index, Enter presses the focused button or else the default
// one, Esc the cancel button.
#include "runtime/buttons.h"

#include <algorithm>

#include "runtime/dispatch.h"
#include "runtime/win32/backend.h"
#include "runtime/win32/form_events.h"

namespace rt {

namespace {

UINT IdOf(const CommandButton& b) { return UINT(GetWindowLongPtrW(win32::HwndOf(b), GWLP_ID)); }

// Tab order is the windows' z-order: the buttons in ascending tab index.
void Reorder(FormWidget& w) {
    std::vector<CommandButton*> order = w.buttons;
    std::stable_sort(order.begin(), order.end(),
                     [](const CommandButton* a, const CommandButton* b) { return a->TabIndex() < b->TabIndex(); });
    HWND after = HWND_TOP;
    for (CommandButton* b : order) {
        SetWindowPos(win32::HwndOf(*b), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = win32::HwndOf(*b);
    }
}

void SetStyleBit(HWND hwnd, bool on) {
    SendMessageW(hwnd, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

}  // namespace

namespace win32 {

bool PressButton(FormWidget& w, UINT id) {
    for (CommandButton* b : w.buttons)
        if (IdOf(*b) == id) {
            if (b->OnClick) Dispatch(b->OnClick);
            return true;
        }
    return false;
}

UINT DefaultButtonId(FormWidget& w) {
    for (CommandButton* b : w.buttons)
        if (b->Default()) return IdOf(*b);
    return 0;
}

UINT CancelButtonId(FormWidget& w) {
    for (CommandButton* b : w.buttons)
        if (b->Cancel()) return IdOf(*b);
    return 0;
}

}  // namespace win32

CommandButton::CommandButton(Form& form, const char* name, TwipRect design) : Control(form, name, design, nullptr) {
    HWND hwnd = win32::CreateChild(*this, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
    SetWindowLongPtrW(hwnd, GWLP_ID, LONG_PTR(win32::NewCommandId()));
    form.Widget().buttons.push_back(this);
    Reorder(form.Widget());
}

CommandButton::~CommandButton() {
    auto& buttons = Parent().Widget().buttons;
    buttons.erase(std::remove(buttons.begin(), buttons.end(), this), buttons.end());
}

std::u16string CommandButton::Caption() const {
    HWND hwnd = win32::HwndOf(*this);
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(size_t(n) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(size_t(n));
    return win32::Utf16(text);
}

void CommandButton::SetCaption(const std::u16string& caption) {
    SetWindowTextW(win32::HwndOf(*this), win32::Wide(caption).c_str());
}

void CommandButton::SetFont(const FontStyle& font) {
    SendMessageW(win32::HwndOf(*this), WM_SETFONT, reinterpret_cast<WPARAM>(win32::FontFor(font)), TRUE);
}

void CommandButton::SetDefault(bool on) {
    // One default button per window: a new one takes the role.
    if (on)
        for (CommandButton* other : Parent().Widget().buttons)
            if (other != this && other->Default()) other->SetDefault(false);
    default_ = on;
    SetStyleBit(win32::HwndOf(*this), on);
}

void CommandButton::SetCancel(bool on) {
    if (on)
        for (CommandButton* other : Parent().Widget().buttons)
            if (other != this && other->Cancel()) other->SetCancel(false);
    cancel_ = on;
}

void CommandButton::SetTabIndex(int index) {
    tabIndex_ = index;
    Reorder(Parent().Widget());
}

}  // namespace rt
