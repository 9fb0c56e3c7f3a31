#include "runtime/image_control.h"

#include "runtime/backend.h"

namespace rt {

void Image::SetPicture(const rt::Picture& picture) {
    picture_ = picture;
    if (!stretch_ && !picture_.Empty()) AdoptPictureSize(picture_);
    backend::RepaintControl(Peer());
}

void Image::SetStretch(bool on) {
    stretch_ = on;
    backend::RepaintControl(Peer());
}

}  // namespace rt
