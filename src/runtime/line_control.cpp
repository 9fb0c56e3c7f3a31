#include "runtime/line_control.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/backend.h"
#include "runtime/form.h"

namespace rt {

TwipRect Line::BoxOf(TwipLine l, int borderWidth) {
    const int pad = int(borderWidth * kTwipsPerPixel);
    return {std::min(l.x1, l.x2), std::min(l.y1, l.y2), std::abs(l.x2 - l.x1) + pad, std::abs(l.y2 - l.y1) + pad};
}

void Line::SetBorderColor(Rgb color) {
    color_ = color;
    backend::RepaintControl(Peer());
}

}  // namespace rt
