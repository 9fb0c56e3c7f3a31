#include "runtime/picture_refusal.h"

#include "runtime/errors.h"
#include "runtime/strings.h"

namespace rt {

namespace {

constexpr int64_t kMB = int64_t(1) << 20;

std::u16string Megabytes(int64_t bytes) { return Str((bytes + kMB - 1) / kMB) + u" MB"; }

}  // namespace

std::u16string NamedFile(const std::u16string& path, const std::u16string& reason) {
    return ShownPath(path) + u" (" + reason + u")";
}

void RaisePictureFailure(const std::u16string& path, const pictures::Failure& failure, int64_t bound) {
    using pictures::Failure;
    switch (failure.kind) {
    case Failure::NotAPicture:
        Raise(ErrInvalidPicture, NamedFile(path, u"not a picture in any format this program reads"));
    case Failure::NoSize: Raise(ErrInvalidPicture, NamedFile(path, u"damaged or not a picture: its header gives no size"));
    case Failure::Truncated: Raise(ErrInvalidPicture, NamedFile(path, u"the file ends before the picture does"));
    case Failure::OutOfMemory: Raise(ErrOutOfMemory, NamedFile(path, u"not enough memory to decode it"));
    case Failure::TooLarge:
        if (failure.bytes > 0)
            Raise(ErrPictureTooLarge,
                  NamedFile(path, u"its header declares " + Str(failure.width) + u" x " + Str(failure.height) +
                                      u" pixels, " + Megabytes(failure.bytes) + u" decoded; this machine allows at most " +
                                      Megabytes(failure.bound)));
        Raise(ErrPictureTooLarge, NamedFile(path, u"larger than the " + Megabytes(bound) + u" this machine allows"));
    case Failure::WriteFailed: Raise(ErrCannotWritePicture, NamedFile(path, failure.detail));
    case Failure::Damaged: break;
    }
    Raise(ErrInvalidPicture, NamedFile(path, u"damaged or not a picture: " + failure.detail));
}

}  // namespace rt
