// The system's open and save dialogs (comdlg32).
// The platform header names constants that commdlg.h makes macros: it comes first.
#include "platform/get_open_file_name.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include "runtime/backend.h"
#include "runtime/common_dialog.h"
#include "runtime/errors.h"
#include "runtime/strings.h"
#include "runtime/win32/peers.h"

namespace rt::backend {

namespace {

// Flags of the dialog control that would change what the dialog returns or ask for a
// hook the control does not have: multiple files, hooks and templates.
constexpr DWORD kUnservedFlags = OFN_ALLOWMULTISELECT | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE;

// The dialog's file buffer: long enough for any path the system takes.
constexpr size_t kFileBuffer = 32768;

}  // namespace

std::optional<std::string> ShowSaveDialog(Form& owner, const SaveDialogRequest& request) {
    // The filter table as the dialog takes it: "description\0pattern\0...\0\0".
    std::wstring filter;
    for (const auto& [description, pattern] : request.filters) {
        filter += win32::Wide(description) + L'\0';
        filter += win32::Wide(pattern) + L'\0';
    }
    filter += L'\0';
    std::wstring file(kFileBuffer, L'\0');
    const std::wstring start = win32::Wide(request.fileName);
    if (start.size() < file.size()) file.replace(0, start.size(), start);
    const std::wstring title = win32::Wide(request.title);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = win32::WindowOf(owner);
    dialog.lpstrFilter = request.filters.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = DWORD(request.filterIndex + 1);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = DWORD(file.size());
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // The replace question comes whatever the flags say: a save never overwrites a
    // file the user did not agree to lose.
    dialog.Flags = (DWORD(request.flags) & ~kUnservedFlags) | OFN_EXPLORER | OFN_OVERWRITEPROMPT;
    if (GetSaveFileNameW(&dialog)) return HostPath(win32::Utf16(file.c_str(), wcslen(file.c_str())));
    const DWORD error = CommDlgExtendedError();
    if (error == 0) return std::nullopt;  // cancelled
    Raise(ErrPlatformCall, u"the save dialog failed with error " + Str(static_cast<long long>(error)));
}

// The record goes to the system as the handler built it: on this 32-bit system its text
// fields are the real addresses of its 8-bit blocks, and the chosen path is written
// into the file buffer in place.
int32_t ShowOpenDialog(platform::OPENFILENAMEA& record) {
    static_assert(sizeof(void*) == 4, "the 76-byte record holds 32-bit addresses");
    return ::GetOpenFileNameA(reinterpret_cast<LPOPENFILENAMEA>(&record)) ? 1 : 0;
}

}  // namespace rt::backend
