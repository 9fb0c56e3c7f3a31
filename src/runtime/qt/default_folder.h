// Where a file dialog opens when it is given no folder: the user's pictures, else home.
#pragma once

#include <QString>

namespace rt {

QString DefaultDialogFolder();

}  // namespace rt
