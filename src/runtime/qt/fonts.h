// Fonts of the controls: a FontStyle as a Qt font with faces that exist on this desktop.
#pragma once

#include <QFont>

#include "runtime/controls.h"

namespace rt {

// The classic Japanese UI face is not on Linux desktops: it is followed by faces
// that are (the same list that labels use).
QFont QFontFrom(const FontStyle& style);

}  // namespace rt
