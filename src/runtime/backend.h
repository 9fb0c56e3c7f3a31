// What a backend supplies to the common runtime, besides the peers' structs (peer.h) and
// the API members it defines itself (each API header says which). The Qt backend implements
// these in runtime/qt/; another backend implements the same list in its own folder, and
// CMake builds exactly one of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/peer.h"

namespace platform {
struct OPENFILENAMEA;
struct NOTIFYICONDATAA;
}  // namespace platform

namespace rt {

class Control;
class Form;
struct SaveDialogRequest;

namespace backend {

// ---- the program loop ----
// Leaves the running event loop (the program is ending).
void QuitEventLoop();
// Runs the event loop until QuitEventLoop; returns the exit code.
int RunEventLoop();

// ---- windows ----
// Makes the hidden window of a new form from its design; its events reach the form.
PeerPtr<FormPeer> MakeWindow(Form& form);
// Gives the window its design client size (menu bar added) and, when the design has one,
// its start place; a fixed dialog frame keeps that size.
void PlaceWindow(FormPeer& window, const Form& form);
// Puts a window that was hidden with keepPlace back where it stood, not where a window
// manager would place a newly opened window.
void RestoreWindowPlace(FormPeer& window);
// Shows the window in front and active (with a taskbar entry only when the design has one).
void ShowWindow(FormPeer& window, const Form& form);
void HideWindow(FormPeer& window, bool keepPlace);
bool WindowVisible(const FormPeer& window);
void SetWindowCaption(FormPeer& window, const std::u16string& caption);
// The system's 32-bit handle of the window, or 0 where the toolkit has none to give.
int32_t WindowHandle(const FormPeer& window);

// ---- any control ----
// Places the control in its form's client area, in logical pixels.
void PlaceControl(ControlPeer& control, int x, int y, int width, int height);
void SetControlToolTip(ControlPeer& control, const std::u16string& text);
// Device pixels per logical pixel where the control is shown (1 without scaling).
double ControlPixelRatio(const ControlPeer& control);
// Draws the control again (its picture or colour changed), when events are next served.
void RepaintControl(ControlPeer& control);
// Draws the shown window the control is on now, while the handler goes on.
void PaintWindowNow(ControlPeer& control);

// ---- modal services ----
// The message box: prompt, style bits and title; returns vbOK, vbYes or vbNo.
int ShowMessageBox(const std::u16string& prompt, int style, const std::u16string& title);
// The save dialog owned by the form; the host path confirmed, or nothing for a cancel.
std::optional<std::string> ShowSaveDialog(Form& owner, const SaveDialogRequest& request);
// The open dialog a checked record describes; on OK stores the choice with StoreOpenChoice
// (open_file_name.h) and returns its result, else returns 0.
int32_t ShowOpenDialog(platform::OPENFILENAMEA& record);

// ---- notification area ----
bool NotificationAreaPresent();
// Adds the icon of a checked NIM_ADD record; nonzero on success, 0 when the icon (window
// and id) is there already.
int32_t AddNotifyIcon(const platform::NOTIFYICONDATAA& record);
bool NotifyIconPresent(int32_t hWnd, uint32_t uID);

}  // namespace backend
}  // namespace rt
