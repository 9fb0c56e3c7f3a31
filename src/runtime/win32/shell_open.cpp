// The shell's open call on Windows is the system's own: the handlers' 8-bit texts go to
// ShellExecuteA unchanged, with the window the form's handle names.
#include "platform/shell_execute.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "runtime/form.h"
#include "runtime/win32/peers.h"

namespace platform {

int32_t ShellExecuteA(int32_t hwnd, const char* lpOperation, const char* lpFile, const char* lpParameters,
                      const char* lpDirectory, int32_t nShowCmd) {
    rt::Form* form = rt::FormFromHandle(hwnd);
    HWND window = form ? rt::win32::WindowOf(*form) : nullptr;
    HINSTANCE result = ::ShellExecuteA(window, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
    return int32_t(reinterpret_cast<intptr_t>(result));
}

}  // namespace platform
