// The Win32 backend's own shared pieces: text, scale, the program's window classes and
// what it keeps for each form, control and menu behind the runtime's API.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "runtime/controls.h"
#include "runtime/form.h"

namespace rt {

class CommandButton;
class Line;

namespace win32 {

// UTF-16 both ways: wchar_t is 16-bit on Windows.
std::wstring Wide(const std::u16string& text);
std::u16string Utf16(const wchar_t* text, size_t length);
std::u16string Utf16(const std::wstring& text);

HINSTANCE Instance();
// Twips per screen pixel from the system's DPI (15 at 96 DPI).
double TwipsPerPixelX();
double TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);

// A hidden top-level window of the program: owner of the forms that have no taskbar
// entry, and of the clipboard's data.
HWND HiddenOwner();

// The program's icon from its resources, large (for the title bar's Alt+Tab) or small.
HICON ProgramIcon(bool large);

// Fonts: the face asked for or the first installed fallback; the default font of
// controls is the system's message font. Fonts live for the rest of the run.
HFONT FontFor(const FontStyle& style);
HFONT DefaultFont();

COLORREF ToColorRef(Rgb c);

// What the backend keeps for a control: its window, colours, font and tooltip.
struct ControlPeer {
    HWND hwnd = nullptr;
    bool hasFore = false, hasBack = false;
    COLORREF fore = 0, back = 0;
    HBRUSH backBrush = nullptr;
    std::wstring tooltip;
};
ControlPeer& PeerOf(const Control& control);
ControlPeer* PeerOfWindow(HWND hwnd);
void ForgetPeer(const Control& control);
HWND HwndOf(const Control& control);
// Creates a control's child window on its form, registers its peer and sets its font.
HWND CreateChild(Control& control, const wchar_t* windowClass, DWORD style, DWORD exStyle = 0);

// Registers the program's own window classes (forms, pane, image, line) once.
void RegisterClasses();
extern const wchar_t kFormClass[];
extern const wchar_t kPaneClass[];
extern const wchar_t kImageClass[];
extern const wchar_t kLineClass[];

// Dispatches a click (menu item or button) by its command id.
void RunCommand(Form& form, UINT id);
UINT NewCommandId();
// Drops what the menus of a form that goes away kept.
void ForgetMenus(Form& form);

}  // namespace win32

// The Win32 window behind a form, with its menu bar, accelerators and buttons.
class FormWidget {
public:
    explicit FormWidget(Form& form);
    ~FormWidget();

    Form& form;
    HWND hwnd = nullptr;
    HMENU menuBar = nullptr;
    HWND tooltips = nullptr;
    HWND lastFocus = nullptr;
    bool placed = false;
    // Menu items' clicks by command id; the accelerator table is built from the items'
    // shortcuts when the menus changed.
    std::map<UINT, std::function<void()>> commands;
    std::vector<ACCEL> accelerators;
    HACCEL acceleratorTable = nullptr;
    bool acceleratorsChanged = false;
    std::vector<CommandButton*> buttons;
    std::vector<Line*> lines;

    HACCEL Accelerators();
};

// The form a window (or any of its children) belongs to, or nullptr.
Form* FormOfWindow(HWND hwnd);
// The form a window handle as the handlers hold it names, or nullptr.
Form* FormFromHandle(int32_t hWnd);
// The forms that are loaded now, oldest first.
std::vector<Form*> LoadedForms();
// Ends the message loop: the last form was unloaded, or End was called.
void StopProgram();

}  // namespace rt
