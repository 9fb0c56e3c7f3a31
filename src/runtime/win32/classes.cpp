// The program's own window classes, registered once.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "runtime/win32/peers.h"
#include "runtime/win32/form_events.h"

namespace rt::win32 {

LRESULT CALLBACK PaneProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ImageProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK LineProc(HWND, UINT, WPARAM, LPARAM);

const wchar_t kFormClass[] = L"OrvennaForm";
const wchar_t kPaneClass[] = L"OrvennaPicture";
const wchar_t kImageClass[] = L"OrvennaImage";
const wchar_t kLineClass[] = L"OrvennaLine";

namespace {

void Register(const wchar_t* name, WNDPROC proc, HBRUSH background, HICON icon = nullptr) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

}  // namespace

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    // Drag and drop and the picture codecs need OLE on this, the interface's thread.
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    Register(kFormClass, FormProc, GetSysColorBrush(COLOR_BTNFACE), ProgramIcon(true));
    Register(kPaneClass, PaneProc, nullptr);
    Register(kImageClass, ImageProc, nullptr);
    // The line's box is wider than the line by its width: the rest shows the form's colour.
    Register(kLineClass, LineProc, GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace rt::win32
