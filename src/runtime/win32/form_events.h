// The form window's events and keyboard: the window procedure, focus, and what the
// message loop does before a key reaches a control.
#pragma once

#include <optional>

#include "runtime/win32/peers.h"

namespace rt::win32 {

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Gives the focus to the form's first control in tab order.
void FocusFirst(FormPeer& window);

// Menu shortcuts first (they beat the text box's own keys), then the Tab, Enter and
// Esc keys of the form's controls. True when the message was used up.
bool TranslateFormMessage(MSG& msg);

// A notification icon's callback: the mouse message over the icon when this window
// message is one, else nothing. And the Button a mouse message reports.
std::optional<UINT> NotifyIconMouseMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
int16_t ButtonOfMouseMessage(UINT mouseMessage);
// The message the shell sends every top-level window when it has started again, with
// none of the icons it had; and forgetting a window's icons then.
UINT TaskbarCreatedMessage();
void ForgetNotifyIcons(HWND hwnd);

// Mouse buttons and shift keys as events report them.
int16_t ButtonsOf(WPARAM keys);
int16_t ShiftOf(WPARAM keys);

// The form's buttons: a click by command id; the id of the button Enter presses now (the
// focused button, else the default one) and of the cancel button (0: none).
bool PressButton(FormPeer& window, UINT id);
UINT DefaultButtonId(FormPeer& window);
UINT CancelButtonId(FormPeer& window);

}  // namespace rt::win32
