// SavePicture on Windows: the picture core's encoders, then an atomic write.
#include "pictures/failure.h"
#include "pictures/writers/writers.h"
#include "runtime/busy_pointer.h"
#include "runtime/errors.h"
#include "runtime/paint_now.h"
#include "runtime/picture.h"
#include "runtime/strings.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace rt {

namespace {

// The whole file in the format the target's name asks for: the pixels as read, with the
// source's profile and metadata where the format holds them.
std::string Encoded(const pictures::Picture& picture, const std::u16string& fileName, const std::u16string& target) {
    try {
        return pictures::Encode(picture, pictures::SaveFormatFor(fileName));
    } catch (const pictures::Failure& failure) {
        if (failure.kind == pictures::Failure::OutOfMemory)
            Raise(ErrOutOfMemory, target + u" (not enough memory to encode it)");
        Raise(failure.kind == pictures::Failure::TooLarge ? ErrPictureTooLarge : ErrCannotWritePicture,
              target + u" (" + failure.detail + u")");
    }
}

}  // namespace

void SavePicture(const Picture& picture, const std::u16string& path) {
    const std::u16string target = UpToNul(path);
    if (target.empty()) Raise(ErrBadFileNameOrNumber, u"(no file name)");
    // Encoding a large picture takes seconds, and one still being decoded is waited for:
    // the pointer says so, and the window is repainted first, so that a dialog just
    // closed is not left standing on it.
    BusyPointer busy;
    RepaintWindowsNow();
    const Picture::Data* data = WholeData(picture);
    if (!data || data->core.image.Null()) Raise(ErrInvalidPicture, target + u" (there is no picture to write)");
    // Refuse a target that cannot take a file before the encoding work is done.
    const std::wstring wide = win32::Wide(target);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        Raise(ErrPathFileAccess, target + u" (is a folder)");
    // A read-only file is kept, as its owner asked (a rename would replace it).
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        Raise(ErrPermissionDenied, target + u" (the file is read-only)");
    const size_t slash = target.find_last_of(u"\\/");
    const std::u16string name = slash == std::u16string::npos ? target : target.substr(slash + 1);
    if (slash != std::u16string::npos) {
        const std::u16string folder = target.substr(0, slash + 1);
        const DWORD folderAttributes = GetFileAttributesW(win32::Wide(folder).c_str());
        if (folderAttributes == INVALID_FILE_ATTRIBUTES || !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
            Raise(ErrPathNotFound, target + u" (no such folder)");
    }
    win32::WriteFileAtomically(target, Encoded(data->core, name, target));
}

}  // namespace rt
