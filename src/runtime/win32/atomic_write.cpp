// All-or-nothing writes: a temporary file beside the target takes the bytes, is flushed
// to the disk, and is then moved over the target in one step. Until that step the old
// target is untouched; after a failure no temporary file stays behind.
#include <algorithm>

#include "runtime/errors.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_encode.h"

namespace rt::win32 {

namespace {

[[noreturn]] void Fail(int number, const std::u16string& target, DWORD error) {
    Raise(number, target + u" (" + SystemMessage(error) + u")");
}

int NumberOf(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ErrDiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return ErrPermissionDenied;
    default: return ErrDeviceIO;
    }
}

}  // namespace

void WriteFileAtomically(const std::u16string& target, const std::string& bytes) {
    const std::wstring path = Wide(target);
    // Devices and pipes are never replaced by a renamed file.
    HANDLE existing = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(existing);
        CloseHandle(existing);
        if (type != FILE_TYPE_DISK) Raise(ErrPathFileAccess, target + u" (not a regular file)");
    }

    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : path.substr(0, slash + 1);
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder.c_str(), L"orv", 0, temporary)) {
        const DWORD error = GetLastError();
        Fail(error == ERROR_ACCESS_DENIED ? ErrPermissionDenied : ErrPathFileAccess, target, error);
    }
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary);
        Fail(error == ERROR_ACCESS_DENIED ? ErrPermissionDenied : ErrPathFileAccess, target, error);
    }
    DWORD error = ERROR_SUCCESS;
    for (size_t at = 0; at < bytes.size() && error == ERROR_SUCCESS;) {
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - at, 16u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + at, chunk, &written, nullptr))
            error = GetLastError();
        else if (written == 0)
            error = ERROR_DISK_FULL;
        at += written;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temporary);
        Fail(NumberOf(error), target, error);
    }
    if (!MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        DeleteFileW(temporary);
        Fail(error == ERROR_ACCESS_DENIED ? ErrPermissionDenied : ErrPathFileAccess, target, error);
    }
}

}  // namespace rt::win32
