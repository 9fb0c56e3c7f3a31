// The image control: a picture drawn at its natural size, or stretched to the control.
#pragma once

#include <string>

#include "runtime/controls.h"
#include "runtime/picture.h"

namespace rt {

class Image : public Control {
public:
    Image(Form& form, const char* name, TwipRect design);  // backend
    const rt::Picture& Picture() const { return picture_; }
    // Without Stretch the control takes the picture's size; with it the picture is
    // scaled to the control's size.
    void SetPicture(const rt::Picture& picture);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);

private:
    rt::Picture picture_;
    bool stretch_ = false;
};

// A picture stored with the program itself (its built-in resources), by file name;
// raises the invalid-picture error when there is none by that name (backend).
Picture StoredPicture(const std::u16string& name);

}  // namespace rt
