// Controls on a form: positions and sizes in the form's scale units.
//
// The common runtime keeps what needs no toolkit (place and size in form units, the tag,
// AutoSize, the drop mode, the tooltip); each backend defines the control constructors
// (which make the peer) and the members marked "backend", which read or change the
// native control itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/peer.h"
#include "runtime/picture.h"
#include "runtime/variant.h"

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
    std::u16string ToolTipText() const { return toolTip_; }
    void SetToolTipText(const std::u16string& text);
    const char* Name() const { return name_; }
    Form& Parent() const { return form_; }
    // The backend's native control.
    ControlPeer& Peer() const { return *peer_; }

    // Re-applies the stored place and size (after the form's scale changed).
    void ApplyGeometry();

protected:
    // Takes the peer the backend made for this control, as a child of the form's client area.
    Control(Form& form, const char* name, TwipRect design, PeerPtr<ControlPeer> peer);
    // Takes a size the control gave itself (AutoSize), in logical pixels.
    void AdoptPixelSize(int width, int height);
    // Takes the size of a picture shown one image pixel to one device pixel.
    void AdoptPictureSize(const rt::Picture& picture);

private:
    Form& form_;
    const char* name_;
    PeerPtr<ControlPeer> peer_;
    std::u16string toolTip_;
    double left_, top_, width_, height_;
};

class Label : public Control {
public:
    Label(Form& form, const char* name, TwipRect design);  // backend
    std::u16string Caption() const { return caption_; }
    void SetCaption(const std::u16string& caption);
    void SetColors(Rgb fore, Rgb back);  // backend
    void SetForeColor(Rgb fore);         // backend
    void SetFont(const FontStyle& font);  // backend
    void SetCentered(bool centered);     // backend

private:
    void ShowCaption();  // backend
    std::u16string caption_;
};

// The text box's text and selection live in the native control, where the user edits them.
class TextBox : public Control {
public:
    TextBox(Form& form, const char* name, TwipRect design);  // backend
    std::u16string Text() const;                            // backend
    void SetText(const std::u16string& text);               // backend
    int32_t SelStart() const;                               // backend
    int32_t SelLength() const;                              // backend
    std::u16string SelText() const;                         // backend
    // Replaces the selection, or inserts at the caret when nothing is selected.
    void SetSelText(const std::u16string& text);  // backend
    void SetCentered(bool centered);              // backend
};

class PictureBox : public Control {
public:
    PictureBox(Form& form, const char* name, TwipRect design);  // backend
    const rt::Picture& Picture() const { return picture_; }
    // The backend draws the picture at the top-left corner, one image pixel to one device pixel.
    void SetPicture(const rt::Picture& picture);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    int OLEDropMode() const { return oleDropMode_; }
    void SetOLEDropMode(int mode);  // 1: manual, drops raise OnDragDrop
    void SetBackColor(Rgb back);    // backend
    // The pane's one-argument operation: keeps a value with the pane, not drawn.
    void SetTag(Variant value) { tag_ = std::move(value); }
    const Variant& Tag() const { return tag_; }

    // Events, raised by the backend through the dispatcher.
    std::function<void(int16_t button, int16_t shift, float x, float y)> OnMouseDown;
    std::function<void(DataObject& data, int32_t& effect, int16_t button, int16_t shift, float x, float y)>
        OnDragDrop;

private:
    void AcceptDrops(bool on);  // backend
    rt::Picture picture_;
    bool autoSize_ = false;
    int oleDropMode_ = 0;
    Variant tag_;
};

// A menu: top-level entry on the form's menu bar, or an item (a caption "-" is a separator).
// Its caption, enabled and visible states live in the backend's menu item.
class Menu {
public:
    Menu(Form& form, const char* name, const std::u16string& caption);  // backend
    // An item; its click is raised through the dispatcher.
    Menu(Menu& parent, const char* name, const std::u16string& caption, const std::u16string& shortcut = {},
         std::function<void()> click = {});  // backend
    std::u16string Caption() const;      // backend
    void SetEnabled(bool enabled);       // backend
    bool Visible() const;                // backend
    void SetVisible(bool visible);       // backend
    // The backend's menu item.
    MenuPeer& Peer() const { return *peer_; }

private:
    PeerPtr<MenuPeer> peer_;
};

}  // namespace rt
