// Reading a picture file: the file's bytes, read through a handle opened here by its
// wide-character name, handed to the picture core, which reads them by their content
// (whatever the name says), upright, in 4-byte pixels; with a refusal that names the
// file and the reason for everything it cannot show, in the same words as on other systems.
#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "pictures/format.h"
#include "pictures/load.h"
#include "runtime/busy_pointer.h"
#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/picture_limits.h"
#include "runtime/picture_refusal.h"
#include "runtime/strings.h"
#include "runtime/testing.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"
#include "runtime/win32/picture_visible_first.h"

namespace rt {

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

// The file as opened for reading, refused when it is missing, a folder, not a plain
// file or not readable.
HANDLE OpenPictureFile(const std::u16string& name) {
    const std::wstring file = win32::Wide(name);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            Raise(ErrPermissionDenied, NamedFile(name, u"not readable: " + win32::SystemMessage(error)));
        Raise(ErrFileNotFound, NamedFile(name, u"no such file"));
    }
    if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        Raise(ErrPathFileAccess, NamedFile(name, u"a folder, not a file"));
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            Raise(ErrPermissionDenied, NamedFile(name, u"not readable: " + win32::SystemMessage(error)));
        Raise(ErrPathFileAccess, NamedFile(name, win32::SystemMessage(error)));
    }
    // A pipe or device would block or never end: only plain files are read.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        Raise(ErrPathFileAccess, NamedFile(name, u"not a plain file"));
    }
    return h;
}

// Reads n bytes from offset into out; false when the system failed (its error is then
// the last one), true with fewer when the file ended first (*got says how many).
bool ReadAt(HANDLE file, uint64_t offset, char* out, size_t n, size_t* got) {
    *got = 0;
    while (*got < n) {
        OVERLAPPED place{};
        const uint64_t at = offset + *got;
        place.Offset = DWORD(at);
        place.OffsetHigh = DWORD(at >> 32);
        const DWORD ask = DWORD(std::min<size_t>(n - *got, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(file, out + *got, ask, &read, &place)) return GetLastError() == ERROR_HANDLE_EOF;
        if (read == 0) return true;
        *got += read;
    }
    return true;
}

std::string Part(HANDLE file, uint64_t offset, size_t n) {
    std::string bytes(n, '\0');
    size_t got = 0;
    ReadAt(file, offset, bytes.data(), n, &got);
    bytes.resize(got);
    return bytes;
}

// The name's extension in lower case, a hint for the formats without a signature; empty
// when it has none or one the formats cannot name (not ASCII).
std::string ExtensionOf(const std::u16string& name) {
    const size_t slash = name.find_last_of(u"\\/");
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
    std::string extension;
    for (char16_t c : name.substr(dot + 1)) {
        if (c >= 0x80) return {};
        extension += char(c >= u'A' && c <= u'Z' ? c + 32 : c);
    }
    return extension;
}

// The picture in the file, read by the core from the file's bytes, which count against
// the bound like the decoding. A large JPEG, PNG, TIFF or WebP is on the screen sooner when
// the part the pane shows is decoded first (the core says which files it can do so for).
Picture LoadWithCore(HANDLE file, uint64_t size, const std::u16string& name, const std::string& extension) {
    const int64_t bound = PictureByteBound();
    try {
        if (size > uint64_t(bound) || size > SIZE_MAX) pictures::Fail(pictures::Failure::TooLarge);
        std::shared_ptr<std::string> bytes;
        try {
            bytes = std::make_shared<std::string>(size_t(size), '\0');
        } catch (const std::bad_alloc&) {
            pictures::Fail(pictures::Failure::OutOfMemory);
        }
        size_t got = 0;
        if (!ReadAt(file, 0, bytes->data(), bytes->size(), &got))
            Raise(ErrDeviceIO, NamedFile(name, win32::SystemMessage(GetLastError())));
        if (got != bytes->size()) pictures::Fail(pictures::Failure::Truncated);  // the file shrank while read
        const int64_t left = bound - int64_t(bytes->size());
        const SIZE visible = win32::VisiblePaneArea();
        if (std::optional<Picture> early = LoadVisibleFirst(bytes, int(visible.cx), int(visible.cy), left))
            return *early;
        std::optional<BusyPointer> busy;
        return win32::PictureFromCore(
            pictures::Load(pictures::Bytes(*bytes), extension, left, [&busy](int width, int height) {
                if (int64_t(width) * height >= kBusyPixels) busy.emplace(true);
                if (testing::Hooks().pictureDecoding) testing::Hooks().pictureDecoding();
            }));
    } catch (const pictures::Failure& failure) {
        RaisePictureFailure(name, failure, bound);
    }
}

}  // namespace

Picture LoadPicture(const std::u16string& path) {
    const std::u16string name = UpToNul(path);
    if (name.empty()) return Picture();  // no path: the empty picture

    FileHandle file(OpenPictureFile(name));
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.Get(), &length)) Raise(ErrDeviceIO, NamedFile(name, win32::SystemMessage(GetLastError())));
    const uint64_t size = uint64_t(length.QuadPart);
    if (size == 0) Raise(ErrInvalidPicture, NamedFile(name, u"the file is empty"));

    // The format from the file's first and last bytes, before the whole is read.
    const std::string extension = ExtensionOf(name);
    const std::string head = Part(file.Get(), 0, pictures::kSniffBytes);
    const std::string tail = Part(file.Get(), size - std::min<uint64_t>(size, pictures::kSniffBytes), pictures::kSniffBytes);
    const pictures::Format* format = pictures::Recognise(pictures::Bytes(head), pictures::Bytes(tail), size, extension);
    if (!format) RaisePictureFailure(name, {pictures::Failure::NotAPicture, {}, 0, 0, 0, 0}, PictureByteBound());
    return LoadWithCore(file.Get(), size, name, extension);
}

}  // namespace rt
