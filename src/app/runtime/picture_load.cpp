#include <QImageReader>

#include "app/runtime/errors.h"
#include "app/runtime/picture.h"
#include "app/runtime/qt/picture_data.h"
#include "app/runtime/strings.h"

namespace rt {

// First version: reads by content with Qt's readers.
Picture LoadPicture(const std::u16string& path) {
    QImageReader reader(QString::fromStdString(HostPath(path)));
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) Raise(ErrInvalidPicture, UpToNul(path) + u" (" + reader.errorString().toStdU16String() + u")");
    return PictureFromImage(std::move(image));
}

}  // namespace rt
