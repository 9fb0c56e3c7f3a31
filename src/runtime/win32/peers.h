// The Win32 objects behind forms, controls and menus, and the backend's shared pieces:
// text, scale (logical pixels of 15 twips to device pixels at the system's DPI), the
// program's window classes and resources.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <objidl.h>

#include "runtime/controls.h"
#include "runtime/drop_data.h"
#include "runtime/form.h"
#include "runtime/peer.h"

namespace rt {

class CommandButton;

struct FormPeer {
    Form* form = nullptr;
    HWND hwnd = nullptr;
    HMENU menuBar = nullptr;
    HWND tooltips = nullptr;
    HWND lastFocus = nullptr;
    // The menu bar's entries in order; the items' clicks by command id; the accelerator
    // table built from the items' shortcuts when the menus changed.
    std::vector<Menu*> menus;
    std::map<UINT, std::function<void()>> commands;
    std::vector<ACCEL> accelerators;
    HACCEL acceleratorTable = nullptr;
    bool dropTarget = false;  // registered for OLE drops
    bool acceleratorsChanged = false;
    std::vector<CommandButton*> buttons;

    HACCEL Accelerators();
};

struct ControlPeer {
    Control* control = nullptr;  // set once the control is made
    HWND hwnd = nullptr;
    bool hasFore = false, hasBack = false;
    COLORREF fore = 0, back = 0;
    HBRUSH backBrush = nullptr;
    bool dropTarget = false;  // registered for OLE drops
};

struct MenuPeer {
    Form* form = nullptr;
    std::wstring caption;
    std::wstring shortcut;
    UINT id = 0;
    bool separator = false;
    bool enabled = true;
    bool visible = true;
    std::vector<Menu*> items;  // of a menu-bar entry
};

namespace win32 {

// UTF-16 both ways: wchar_t is 16-bit on Windows.
std::wstring Wide(const std::u16string& text);
std::u16string Utf16(const wchar_t* text, size_t length);
std::u16string Utf16(const std::wstring& text);
std::u16string WindowText(HWND hwnd);
// The system's message for an error code of the last failed call.
std::u16string SystemMessage(DWORD error);

// Writes the bytes to the path through a temporary file in the same folder, flushed to
// the disk, then moved over the target; on any failure the old target stays as it was.
void WriteFileAtomically(const std::u16string& path, const std::string& bytes);

HINSTANCE Instance();
// Device pixels from logical pixels (15 twips each) at the system's DPI, and back.
int ToDeviceX(int logical);
int ToDeviceY(int logical);
int ToLogicalX(int device);
int ToLogicalY(int device);
double DeviceScale();  // device pixels per logical pixel
double DevicePixelsPerPoint();

// A hidden top-level window of the program: owner of the forms that have no taskbar
// entry, and of the clipboard's data.
HWND HiddenOwner();
// The program's icon from its resources, large or small.
HICON ProgramIcon(bool large);

// Fonts: the face asked for or the first installed Japanese fallback; the default font
// of controls is the system's message font. Fonts live for the rest of the run.
HFONT FontFor(const FontStyle& style);
HFONT DefaultFont();

COLORREF ToColorRef(Rgb c);

// The form whose window (or a child of it) this is, or nullptr.
Form* FormOfWindow(HWND hwnd);
// A window handle as the program holds it (32 bits) back as the system's.
HWND ToHwnd(int32_t handle);
HWND WindowOf(const Form& form);

// Makes a control's child window on its form's window, with the default font.
PeerPtr<ControlPeer> MakeChild(Form& form, const wchar_t* windowClass, DWORD style, DWORD exStyle = 0);
// Ties the child window to its control once the control exists.
void Attach(Control& control);

// The program's own window classes, registered once.
void RegisterClasses();
extern const wchar_t kFormClass[];
extern const wchar_t kPaneClass[];
extern const wchar_t kImageClass[];
extern const wchar_t kLineClass[];

// Work posted to a window's queue, run when the window takes the message (not at all
// when the window is gone first). Window procedures pass the message to RunPosted.
constexpr UINT kRunLaterMessage = WM_APP + 1;
void RunLater(HWND window, std::function<void()> work);
void RunPosted(LPARAM posted);

// The drop data the handlers see: the shell's file list (CF_HDROP) in its order, or no
// file list for any other data.
DataObject DropDataOf(IDataObject* data);

// Registers the form's window as an OLE drop target raising Form_OLEDragDrop.
bool AcceptFormDrops(Form& form, HWND window);

UINT NewCommandId();
// Runs a menu item's click (by its command id) through the dispatcher.
void RunCommand(FormPeer& window, UINT id);

}  // namespace win32
}  // namespace rt
