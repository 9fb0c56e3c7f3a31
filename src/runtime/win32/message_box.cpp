// Message boxes: the system's own, with the style bits passed as given (they are the
// system's values), modal to every window of the program.
#include "runtime/backend.h"
#include "runtime/win32/peers.h"

namespace rt::backend {

namespace {

// The visible form in front, so that the box is centred on it; none while all are hidden.
HWND OwnerWindow() {
    HWND active = GetActiveWindow();
    if (active && IsWindowVisible(active) && win32::FormOfWindow(active)) return active;
    const std::vector<Form*> forms = LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        if ((*it)->Visible()) return win32::WindowOf(**it);
    return nullptr;
}

}  // namespace

int ShowMessageBox(const std::u16string& prompt, int style, const std::u16string& title) {
    // The system disables the box's owner; the program's other windows are disabled
    // here, so that no event reaches them while the box waits.
    const HWND owner = OwnerWindow();
    std::vector<HWND> disabled;
    for (Form* form : LoadedForms()) {
        const HWND w = win32::WindowOf(*form);
        if (w != owner && IsWindowEnabled(w)) {
            EnableWindow(w, FALSE);
            disabled.push_back(w);
        }
    }
    const std::wstring text = win32::Wide(prompt);
    const std::wstring caption = win32::Wide(title);
    const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), UINT(style));
    for (HWND w : disabled) EnableWindow(w, TRUE);
    return answer;
}

}  // namespace rt::backend
