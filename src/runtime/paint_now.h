// Painting while a handler keeps the user-interface thread busy (backend).
#pragma once

namespace rt {

// Serves the paint requests that have come in (a window uncovered or resized, a
// control changed) and hands the result to the window system. User input (clicks,
// keys, a close request) waits, as every event waits while a handler runs.
void PaintPendingEvents();

// Repaints every shown window now, whether or not the window system has asked yet:
// what a closed dialog uncovered, or a picture just set, is on the screen before a
// long step starts.
void RepaintWindowsNow();

}  // namespace rt
