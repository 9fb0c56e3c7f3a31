// How much of a picture the image panes show at once.
#pragma once

#include <QSize>

namespace rt {

// The part of a picture placed at a pane's top-left corner that is on the screen in the
// largest shown pane, from that corner to the window's edges, in picture pixels; empty
// when no pane is shown.
QSize VisiblePaneArea();

}  // namespace rt
