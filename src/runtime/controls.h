// Controls on a form: positions and sizes in the form's scale units.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/picture.h"
#include "runtime/variant.h"

class QWidget;
class QAction;
class QMenu;

namespace rt {

class Form;
class DataObject;

struct TwipRect {
    int left, top, width, height;
};

struct Rgb {
    int r, g, b;
};

struct FontStyle {
    std::u16string family;  // the first choice; the runtime adds fallbacks that exist
    double pointSize = 9.0;
    bool bold = false;
    bool underline = false;
};

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    double Left() const { return left_; }
    double Top() const { return top_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    void SetLeft(double v);
    void SetTop(double v);
    void SetWidth(double v);
    void SetHeight(double v);
    std::u16string ToolTipText() const;
    void SetToolTipText(const std::u16string& text);
    const char* Name() const { return name_; }
    Form& Parent() const { return form_; }
    QWidget* Widget() const { return widget_; }

    // Re-applies the stored place and size (after the form's scale changed).
    void ApplyGeometry();

protected:
    Control(Form& form, const char* name, TwipRect design, QWidget* widget);
    // Takes a size the control gave itself (AutoSize), in pixels.
    void AdoptPixelSize(int width, int height);

private:
    Form& form_;
    const char* name_;
    QWidget* widget_;
    double left_, top_, width_, height_;
};

class Label : public Control {
public:
    Label(Form& form, const char* name, TwipRect design);
    std::u16string Caption() const;
    void SetCaption(const std::u16string& caption);
    void SetColors(Rgb fore, Rgb back);
    void SetForeColor(Rgb fore);
    void SetFont(const FontStyle& font);
    void SetCentered(bool centered);
};

class TextBox : public Control {
public:
    TextBox(Form& form, const char* name, TwipRect design);
    std::u16string Text() const;
    void SetText(const std::u16string& text);
    int32_t SelStart() const;
    void SetSelStart(int32_t start);
    int32_t SelLength() const;
    void SetSelLength(int32_t length);
    std::u16string SelText() const;
    // Replaces the selection, or inserts at the caret when nothing is selected.
    void SetSelText(const std::u16string& text);
    void SetCentered(bool centered);
};

class PictureBox : public Control {
public:
    PictureBox(Form& form, const char* name, TwipRect design);
    const rt::Picture& Picture() const { return picture_; }
    void SetPicture(const rt::Picture& picture);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    int OLEDropMode() const { return oleDropMode_; }
    void SetOLEDropMode(int mode);  // 1: manual, drops raise OnDragDrop
    void SetBackColor(Rgb back);
    // The pane's one-argument operation: keeps a value with the pane, not drawn.
    void SetTag(const Variant& value) { tag_ = value; }
    const Variant& Tag() const { return tag_; }

    // Events, raised through the dispatcher.
    std::function<void(int16_t button, int16_t shift, float x, float y)> OnMouseDown;
    std::function<void(DataObject& data, int32_t& effect, int16_t button, int16_t shift, float x, float y)>
        OnDragDrop;

private:
    rt::Picture picture_;
    bool autoSize_ = false;
    int oleDropMode_ = 0;
    Variant tag_;
};

// A menu: top-level entry on the form's menu bar, or an item (a caption "-" is a separator).
class Menu {
public:
    Menu(Form& form, const char* name, const std::u16string& caption);
    Menu(Menu& parent, const char* name, const std::u16string& caption, const std::u16string& shortcut = {},
         std::function<void()> click = {});
    std::u16string Caption() const;
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Visible() const;
    void SetVisible(bool visible);
    const char* Name() const { return name_; }
    QAction* Action() const { return action_; }

private:
    const char* name_;
    QMenu* menu_ = nullptr;  // set for a top-level entry
    QAction* action_ = nullptr;
};

}  // namespace rt
