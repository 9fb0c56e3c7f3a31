// Qt's mouse buttons and modifier keys as the events' Button and Shift arguments.
#pragma once

#include <Qt>
#include <cstdint>

#include "runtime/form.h"

namespace rt {

// All buttons held: 1 left, 2 right, 4 middle, added together.
inline int16_t ButtonsOf(Qt::MouseButtons buttons) {
    int16_t b = 0;
    if (buttons & Qt::LeftButton) b |= vbLeftButton;
    if (buttons & Qt::RightButton) b |= vbRightButton;
    if (buttons & Qt::MiddleButton) b |= vbMiddleButton;
    return b;
}

// 1 Shift, 2 Ctrl, 4 Alt, added together.
inline int16_t ShiftOf(Qt::KeyboardModifiers mods) {
    int16_t s = 0;
    if (mods & Qt::ShiftModifier) s |= 1;
    if (mods & Qt::ControlModifier) s |= 2;
    if (mods & Qt::AltModifier) s |= 4;
    return s;
}

}  // namespace rt
