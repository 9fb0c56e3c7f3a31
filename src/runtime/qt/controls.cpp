// The Qt side of labels, text boxes, picture boxes and menus, and what every control's
// widget does for the common runtime.
#include "runtime/controls.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "runtime/backend.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/paint_now.h"
#include "runtime/qt/fonts.h"
#include "runtime/qt/label_widget.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/widgets.h"

namespace rt {

namespace {

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

QLabel* LabelOf(const Control& c) { return static_cast<QLabel*>(WidgetOf(c)); }
QLineEdit* Edit(const Control& c) { return static_cast<QLineEdit*>(WidgetOf(c)); }

}  // namespace

void PeerDelete::operator()(ControlPeer* peer) const { delete peer; }
void PeerDelete::operator()(MenuPeer* peer) const { delete peer; }

// ---- any control ----

namespace backend {

void PlaceControl(ControlPeer& control, int x, int y, int width, int height) {
    control.widget->setGeometry(x, y, width, height);
}

void SetControlToolTip(ControlPeer& control, const std::u16string& text) {
    control.widget->setToolTip(QString::fromStdU16String(text));
}

double ControlPixelRatio(const ControlPeer& control) { return control.widget->devicePixelRatioF(); }

void RepaintControl(ControlPeer& control) { control.widget->update(); }

void PaintWindowNow(ControlPeer& control) {
    if (!control.widget->isVisible()) return;
    control.widget->window()->repaint();
    PaintPendingEvents();
}

}  // namespace backend

// ---- Label ----

Label::Label(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, MakeControlPeer(new LabelWidget(ClientOf(form)), name)) {}

void Label::ShowCaption() {
    LabelOf(*this)->setText(QString::fromStdU16String(caption_));
    static_cast<LabelWidget*>(LabelOf(*this))->Fit();
}

void Label::SetColors(Rgb fore, Rgb back) {
    QPalette pal = WidgetOf(*this)->palette();
    pal.setColor(QPalette::WindowText, ToQColor(fore));
    pal.setColor(QPalette::Window, ToQColor(back));
    WidgetOf(*this)->setPalette(pal);
    WidgetOf(*this)->setAutoFillBackground(true);
}

void Label::SetForeColor(Rgb fore) {
    QPalette pal = WidgetOf(*this)->palette();
    pal.setColor(QPalette::WindowText, ToQColor(fore));
    WidgetOf(*this)->setPalette(pal);
}

void Label::SetFont(const FontStyle& font) { WidgetOf(*this)->setFont(QFontFrom(font)); }

void Label::SetCentered(bool centered) {
    LabelOf(*this)->setAlignment(centered ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop);
}

// ---- TextBox ----

TextBox::TextBox(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, MakeControlPeer(new TextBoxWidget(ClientOf(form)), name)) {
    // A file dragged onto the box belongs to the window, not typed into the box as a URL.
    WidgetOf(*this)->setAcceptDrops(false);
}

std::u16string TextBox::Text() const { return Edit(*this)->text().toStdU16String(); }

void TextBox::SetText(const std::u16string& text) { Edit(*this)->setText(QString::fromStdU16String(text)); }

int32_t TextBox::SelStart() const {
    QLineEdit* e = Edit(*this);
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

int32_t TextBox::SelLength() const { return int32_t(Edit(*this)->selectedText().size()); }

std::u16string TextBox::SelText() const { return Edit(*this)->selectedText().toStdU16String(); }

void TextBox::SetSelText(const std::u16string& text) {
    // insert() replaces the selection, or inserts at the caret.
    Edit(*this)->insert(QString::fromStdU16String(text));
}

void TextBox::SetCentered(bool centered) { Edit(*this)->setAlignment(centered ? Qt::AlignHCenter : Qt::AlignLeft); }

// ---- PictureBox ----

PictureBox::PictureBox(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, MakeControlPeer(new PaneWidget(*this, ClientOf(form)), name)) {}

void PictureBox::AcceptDrops(bool on) { WidgetOf(*this)->setAcceptDrops(on); }

void PictureBox::SetBackColor(Rgb back) {
    QPalette pal = WidgetOf(*this)->palette();
    pal.setColor(QPalette::Window, ToQColor(back));
    WidgetOf(*this)->setPalette(pal);
    WidgetOf(*this)->setAutoFillBackground(true);
}

// ---- Menu ----

Menu::Menu(Form& form, const char* name, const std::u16string& caption) : peer_(new MenuPeer) {
    QMenu* menu = WindowOf(form).menuBar()->addMenu(QString::fromStdU16String(caption));
    // Every separator is drawn as designed, also one that ends a menu.
    menu->setSeparatorsCollapsible(false);
    menu->setObjectName(QString::fromUtf8(name));
    peer_->menu = menu;
    peer_->action = menu->menuAction();
    peer_->action->setObjectName(QString::fromUtf8(name));
}

Menu::Menu(Menu& parent, const char* name, const std::u16string& caption, const std::u16string& shortcut,
           std::function<void()> click)
    : peer_(new MenuPeer) {
    QMenu* menu = parent.peer_->menu;
    QAction*& action = peer_->action;
    if (caption == u"-") {
        action = menu->addSeparator();
    } else {
        action = menu->addAction(QString::fromStdU16String(caption));
        if (!shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdU16String(shortcut)));
        if (click) QObject::connect(action, &QAction::triggered, action, [click] { Dispatch(click); });
    }
    action->setObjectName(QString::fromUtf8(name));
}

std::u16string Menu::Caption() const {
    return peer_->action->isSeparator() ? u"-" : peer_->action->text().toStdU16String();
}
void Menu::SetEnabled(bool enabled) { peer_->action->setEnabled(enabled); }
bool Menu::Visible() const { return peer_->action->isVisible(); }
void Menu::SetVisible(bool visible) { peer_->action->setVisible(visible); }

}  // namespace rt
