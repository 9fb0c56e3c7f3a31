// The application object on Windows: the program's folder and module, and the one-copy
// rule from a named kernel object of the session.
#include "runtime/application.h"

#include "runtime/strings.h"
#include "runtime/win32/peers.h"

namespace rt {

int32_t Application::hInstance() const { return int32_t(reinterpret_cast<intptr_t>(win32::Instance())); }

std::u16string Application::Path() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    // The folder, without a closing "\" unless it is a drive's root.
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    path.resize(slash);
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    return win32::Utf16(path);
}

void Application::ClaimSingleInstance() {
    // The mutex lives as long as this process: the system removes it when the last
    // copy ends, also after a crash, so no stale state can refuse a later start.
    // Local\ scopes it to the user's session. The handle is kept open on purpose.
    const std::wstring name = L"Local\\" + win32::Wide(FromUtf8(info_.id)) + L".one-copy";
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    prevInstance_ = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace rt
