#include "runtime/controls.h"

#include <algorithm>
#include <cmath>

#include "runtime/backend.h"
#include "runtime/form.h"

namespace rt {

// ---- Control ----

Control::Control(Form& form, const char* name, TwipRect design, PeerPtr<ControlPeer> peer)
    : form_(form),
      name_(name),
      peer_(std::move(peer)),
      left_(form.TwipsToUnitsX(design.left)),
      top_(form.TwipsToUnitsY(design.top)),
      width_(form.TwipsToUnitsX(design.width)),
      height_(form.TwipsToUnitsY(design.height)) {
    form.AddControl(this);
    ApplyGeometry();
}

Control::~Control() = default;

void Control::ApplyGeometry() {
    const int x = form_.UnitsToPixelsX(left_);
    const int y = form_.UnitsToPixelsY(top_);
    const int w = int(std::lround(width_ * form_.Design().twipsPerUnitX / kTwipsPerPixel));
    const int h = int(std::lround(height_ * form_.Design().twipsPerUnitY / kTwipsPerPixel));
    backend::PlaceControl(*peer_, x, y, std::max(0, w), std::max(0, h));
}

void Control::SetLeft(double v) {
    left_ = v;
    ApplyGeometry();
}
void Control::SetTop(double v) {
    top_ = v;
    ApplyGeometry();
}
void Control::SetWidth(double v) {
    width_ = v;
    ApplyGeometry();
}
void Control::SetHeight(double v) {
    height_ = v;
    ApplyGeometry();
}

void Control::AdoptPixelSize(int width, int height) {
    width_ = width * kTwipsPerPixel / form_.Design().twipsPerUnitX;
    height_ = height * kTwipsPerPixel / form_.Design().twipsPerUnitY;
    backend::PlaceControl(*peer_, form_.UnitsToPixelsX(left_), form_.UnitsToPixelsY(top_), width, height);
}

void Control::AdoptPictureSize(const rt::Picture& picture) {
    const double ratio = backend::ControlPixelRatio(*peer_);
    AdoptPixelSize(int(std::ceil(picture.PixelWidth() / ratio)), int(std::ceil(picture.PixelHeight() / ratio)));
}

void Control::SetToolTipText(const std::u16string& text) {
    toolTip_ = text;
    backend::SetControlToolTip(*peer_, text);
}

// ---- Label ----

void Label::SetCaption(const std::u16string& caption) {
    caption_ = caption;
    ShowCaption();
}

// ---- PictureBox ----

void PictureBox::SetPicture(const rt::Picture& picture) {
    picture_ = picture;
    if (autoSize_ && !picture_.Empty()) AdoptPictureSize(picture_);
    backend::RepaintControl(Peer());
    // Shown at once: the handler may go on with a long step (reading the file as text).
    backend::PaintWindowNow(Peer());
}

void PictureBox::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on) SetPicture(picture_);
}

void PictureBox::SetOLEDropMode(int mode) {
    oleDropMode_ = mode;
    AcceptDrops(mode == 1);
}

}  // namespace rt
