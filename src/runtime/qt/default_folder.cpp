#include "runtime/qt/default_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace rt {

QString DefaultDialogFolder() {
    // Not the working folder: a program started from a menu has "/" or its own folder there.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir(pictures).exists()) return pictures;
    return QDir::homePath();
}

}  // namespace rt
