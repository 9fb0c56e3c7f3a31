#include "runtime/errors.h"

#include "runtime/strings.h"

namespace rt {

std::u16string ErrorText(int number) {
    switch (number) {
    case ErrOverflow: return u"Overflow";
    case ErrOutOfMemory: return u"Out of memory";
    case ErrBadFileNameOrNumber: return u"Bad file name or number";
    case ErrFileNotFound: return u"File not found";
    case ErrBadFileMode: return u"Bad file mode";
    case ErrFileAlreadyOpen: return u"File already open";
    case ErrDeviceIO: return u"Device I/O error";
    case ErrDiskFull: return u"Disk full";
    case ErrInputPastEnd: return u"Input past end of file";
    case ErrPermissionDenied: return u"Permission denied";
    case ErrPathFileAccess: return u"Path/File access error";
    case ErrPathNotFound: return u"Path not found";
    case ErrInvalidPropertyValue: return u"Invalid property value";
    case ErrInvalidPicture: return u"Invalid picture";
    case ErrPictureTooLarge: return u"Picture too large";
    case ErrCannotWritePicture: return u"Cannot write picture";
    case ErrPlatformCall: return u"System call failed";
    case ErrCancel: return u"Cancel was selected";
    default: return u"Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int number, std::u16string detail)
    : number_(number), detail_(std::move(detail)), what_(ToUtf8(Description())) {}

std::u16string RuntimeError::Description() const {
    std::u16string text = ErrorText(number_);
    if (!detail_.empty()) text += u": " + detail_;
    return text;
}

void Raise(int number, std::u16string detail) { throw RuntimeError(number, std::move(detail)); }

}  // namespace rt
