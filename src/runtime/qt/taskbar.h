// Keeping a top-level window off the taskbar.
#pragma once

class QWidget;

namespace rt {

// Asks the window manager to leave the window off the taskbar (and the pager). Call it
// before each show: a window manager forgets the request when the window is hidden.
void KeepOffTaskbar(QWidget& window);

}  // namespace rt
