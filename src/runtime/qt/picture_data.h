// What a picture holds on the Qt side.
#pragma once

#include <QByteArray>
#include <QImage>
#include <memory>

#include "pictures/picture.h"
#include "runtime/picture.h"
#include "runtime/qt/picture_completion.h"

namespace rt {

// What a file says about its picture besides the pixels, carried to the files the
// picture is saved as.
struct PictureMetadata {
    QByteArray iccProfile;  // the embedded colour profile; empty means sRGB
    QByteArray exif;        // EXIF as a TIFF structure, orientation 1, without a thumbnail
    QByteArray xmp;         // the XMP packet
    bool lossless = false;  // the file was in a lossless format
};

struct Picture::Data {
    pictures::Picture core;  // the pixels as the picture core read them; null for others
    QImage image;  // upright, as the file holds the colours (in its profile)
    QImage shown;  // the same in sRGB when the profile is another; null when image is sRGB
    PictureMetadata metadata;
    // A large JPEG is shown before it is whole: its top-left part as the screen shows it,
    // and the decoding of the whole, which image and shown wait for. Last, so that the
    // decoding stops before the pictures it writes go away.
    QImage early;
    std::unique_ptr<PictureCompletion> completion;
};

// Waits until the picture is whole: everything that reads its pixels does.
inline const Picture::Data* WholeData(const Picture& picture) {
    const Picture::Data* data = picture.data();
    if (data && data->completion) data->completion->Wait();
    return data;
}

// The pixels as read, in the source's colours.
inline const QImage* ImageOf(const Picture& picture) {
    const Picture::Data* data = WholeData(picture);
    return data ? &data->image : nullptr;
}

// The pixels in sRGB, as the screen shows them.
inline const QImage* ShownImageOf(const Picture& picture) {
    const Picture::Data* data = WholeData(picture);
    if (!data) return nullptr;
    return data->shown.isNull() ? &data->image : &data->shown;
}

// What the pane can paint without waiting: the whole picture, or while it is being
// completed its top-left part.
inline const QImage* PaintableImageOf(const Picture& picture) {
    const Picture::Data* data = picture.data();
    if (data && data->completion && !data->completion->Done()) return &data->early;
    return ShownImageOf(picture);
}

inline Picture PictureFromImage(QImage image) {
    auto data = std::make_shared<Picture::Data>();
    data->image = std::move(image);
    return Picture(std::move(data));
}

// A picture read from a file: the sRGB copy is made here when the profile asks for one.
Picture PictureFromFile(QImage image, PictureMetadata metadata);

// The core's pixels as a QImage over the same memory (read-only: a change copies them).
QImage WrappedImage(const pictures::Image& image);
// A picture the core read, shown and saved from its own pixels.
Picture PictureFromCore(pictures::Picture core);

}  // namespace rt
