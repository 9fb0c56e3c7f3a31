// The shell's open call on Windows is the system's own: the handlers' 8-bit texts go
// to ShellExecuteA unchanged.
#include "platform/shell_execute.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace rt {

int32_t ShellExecuteA(int32_t hwnd, const char* lpOperation, const char* lpFile, const char* lpParameters,
                      const char* lpDirectory, int32_t nShowCmd) {
    HINSTANCE result = ::ShellExecuteA(reinterpret_cast<HWND>(intptr_t(hwnd)), lpOperation, lpFile, lpParameters,
                                       lpDirectory, nShowCmd);
    return int32_t(reinterpret_cast<intptr_t>(result));
}

}  // namespace rt
