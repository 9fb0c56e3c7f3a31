// All-or-nothing writes: a temporary file beside the target takes the bytes, is flushed
// to the disk, and then takes the target's place in one step. Until that step the old
// target is untouched; after a failure no temporary file stays behind. A file that is
// replaced hands on what it had besides its bytes (attributes, permissions, streams),
// and a symbolic link is written through: the file it names is replaced, the link stays.
#include <algorithm>
#include <vector>

#include "runtime/errors.h"
#include "runtime/win32/peers.h"

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

// The path of the file an open handle names, links followed, in its usual form
// (C:\... or \\server\...); empty when the system cannot tell.
std::wstring FinalPathOf(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
    if (n >= path.size()) {
        path.resize(n);
        n = GetFinalPathNameByHandleW(file, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0 && path.size() > 5 && path[5] == L':') return path.substr(4);
    return path;
}

// The file's access rules (its security descriptor with the DACL); empty when unknown.
std::vector<char> AccessRulesOf(const std::wstring& path) {
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<char> rules(size);
    if (size == 0 || !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, rules.data(), size, &size)) return {};
    return rules;
}

// Moves the temporary file into the target's place. An existing target is replaced by the
// system's replace, which gives the new file the old one's attributes, permissions and
// streams; where the file system cannot replace, by a plain move. The attributes are
// given to the new file here as well: Wine's replace is a plain rename that keeps none.
// False with the reason in GetLastError.
bool TakePlace(const std::wstring& temporary, const std::wstring& path, DWORD oldAttributes) {
    if (oldAttributes == INVALID_FILE_ATTRIBUTES)
        return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (oldAttributes & kept) SetFileAttributesW(temporary.c_str(), oldAttributes & kept);
    if (ReplaceFileW(path.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    switch (GetLastError()) {
    case ERROR_UNABLE_TO_REMOVE_REPLACED:  // the old file is in use or protected: it stays
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:  // both files are where they were
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return false;
    default:
        // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 (the old file is out of the way, the new one
        // not yet in its place) or a file system without the replace: a move finishes it.
        return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
}

}  // namespace

void WriteFileAtomically(const std::u16string& target, const std::string& bytes) {
    std::wstring path = Wide(target);
    HANDLE existing = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(existing);
        // A symbolic link is written through: the replaced file is the one it names.
        const std::wstring linked = type == FILE_TYPE_DISK ? FinalPathOf(existing) : std::wstring();
        CloseHandle(existing);
        // Devices and pipes are never replaced by a renamed file.
        if (type != FILE_TYPE_DISK) Raise(ErrPathFileAccess, target + u" (not a regular file)");
        if (!linked.empty()) path = linked;
    }
    const DWORD oldAttributes = GetFileAttributesW(path.c_str());
    std::vector<char> oldRules;
    if (oldAttributes != INVALID_FILE_ATTRIBUTES) {
        // A file that another program holds open without letting it be replaced is refused
        // before anything is written: a replace that fails there may leave the system's
        // own temporary file behind (Wine's does).
        HANDLE replaceable = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
        if (replaceable == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            Fail(error == ERROR_ACCESS_DENIED ? ErrPermissionDenied : ErrPathFileAccess, target, error);
        }
        CloseHandle(replaceable);
        oldRules = AccessRulesOf(path);
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
    if (!TakePlace(temporary, path, oldAttributes)) {
        error = GetLastError();
        DeleteFileW(temporary);
        Fail(error == ERROR_ACCESS_DENIED ? ErrPermissionDenied : ErrPathFileAccess, target, error);
    }
    // Where the replace did not keep who may read and change the file (a move, Wine's
    // replace), the old rules are given to the new file: a private file stays private.
    if (!oldRules.empty() && AccessRulesOf(path) != oldRules)
        SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, oldRules.data());
}

}  // namespace rt::win32
