// Push buttons: caption, font, Click, and the window's default (Enter) and cancel (Esc) buttons.
// The backend defines the members below that are not inline: it keeps each window's buttons,
// their keys and their focus order.
#pragma once

#include <functional>
#include <string>

#include "runtime/controls.h"

namespace rt {

class CommandButton : public Control {
public:
    CommandButton(Form& form, const char* name, TwipRect design);
    ~CommandButton() override;

    std::u16string Caption() const;
    void SetCaption(const std::u16string& caption);
    void SetFont(const FontStyle& font);

    // Enter presses the default button, unless another button of the window has the focus:
    // then Enter presses that one. One default button per window.
    bool Default() const { return default_; }
    void SetDefault(bool on);
    // Esc presses the cancel button wherever the focus is in its window. One per window.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on);
    // Tab walks the window's buttons by this index; the lowest has the focus each time
    // the window opens.
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int index);

    // Click, raised through the dispatcher (mouse, Space, Enter, Esc).
    std::function<void()> OnClick;

private:
    bool default_ = false;
    bool cancel_ = false;
    int tabIndex_ = 0;
};

}  // namespace rt
