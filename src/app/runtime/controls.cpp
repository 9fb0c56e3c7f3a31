#include "app/runtime/controls.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <cmath>

#include "app/runtime/dispatch.h"
#include "app/runtime/form.h"
#include "app/runtime/paint_now.h"
#include "app/runtime/qt/fonts.h"
#include "app/runtime/qt/form_widget.h"
#include "app/runtime/qt/label_widget.h"
#include "app/runtime/qt/picture_data.h"
#include "app/runtime/qt/widgets.h"

namespace rt {

namespace {

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace

// ---- Control ----

Control::Control(Form& form, const char* name, TwipRect design, QWidget* widget)
    : form_(form),
      name_(name),
      widget_(widget),
      left_(form.TwipsToUnitsX(design.left)),
      top_(form.TwipsToUnitsY(design.top)),
      width_(form.TwipsToUnitsX(design.width)),
      height_(form.TwipsToUnitsY(design.height)) {
    widget_->setObjectName(QString::fromUtf8(name));
    form.AddControl(this);
    ApplyGeometry();
}

Control::~Control() = default;

void Control::ApplyGeometry() {
    const int x = form_.UnitsToPixelsX(left_);
    const int y = form_.UnitsToPixelsY(top_);
    const int w = int(std::lround(width_ * form_.Design().twipsPerUnitX / kTwipsPerPixel));
    const int h = int(std::lround(height_ * form_.Design().twipsPerUnitY / kTwipsPerPixel));
    widget_->setGeometry(x, y, std::max(0, w), std::max(0, h));
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
    widget_->resize(width, height);
}

std::u16string Control::ToolTipText() const { return widget_->toolTip().toStdU16String(); }

void Control::SetToolTipText(const std::u16string& text) { widget_->setToolTip(QString::fromStdU16String(text)); }

// ---- Label ----

Label::Label(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, new LabelWidget(form.Client())) {}

std::u16string Label::Caption() const { return static_cast<QLabel*>(Widget())->text().toStdU16String(); }

void Label::SetCaption(const std::u16string& caption) {
    static_cast<QLabel*>(Widget())->setText(QString::fromStdU16String(caption));
    static_cast<LabelWidget*>(Widget())->Fit();
}

void Label::SetColors(Rgb fore, Rgb back) {
    QPalette pal = Widget()->palette();
    pal.setColor(QPalette::WindowText, ToQColor(fore));
    pal.setColor(QPalette::Window, ToQColor(back));
    Widget()->setPalette(pal);
    Widget()->setAutoFillBackground(true);
}

void Label::SetForeColor(Rgb fore) {
    QPalette pal = Widget()->palette();
    pal.setColor(QPalette::WindowText, ToQColor(fore));
    Widget()->setPalette(pal);
}

void Label::SetFont(const FontStyle& font) { Widget()->setFont(QFontFrom(font)); }

void Label::SetCentered(bool centered) {
    static_cast<QLabel*>(Widget())->setAlignment(centered ? Qt::AlignHCenter | Qt::AlignTop
                                                          : Qt::AlignLeft | Qt::AlignTop);
}

// ---- TextBox ----

TextBox::TextBox(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, new TextBoxWidget(form.Client())) {
    // A file dragged onto the box belongs to the window, not typed into the box as a URL.
    Widget()->setAcceptDrops(false);
}

static QLineEdit* Edit(const Control& c) { return static_cast<QLineEdit*>(c.Widget()); }

std::u16string TextBox::Text() const { return Edit(*this)->text().toStdU16String(); }

void TextBox::SetText(const std::u16string& text) { Edit(*this)->setText(QString::fromStdU16String(text)); }

int32_t TextBox::SelStart() const {
    QLineEdit* e = Edit(*this);
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TextBox::SetSelStart(int32_t start) { Edit(*this)->setCursorPosition(start); }

int32_t TextBox::SelLength() const { return int32_t(Edit(*this)->selectedText().size()); }

void TextBox::SetSelLength(int32_t length) { Edit(*this)->setSelection(SelStart(), length); }

std::u16string TextBox::SelText() const { return Edit(*this)->selectedText().toStdU16String(); }

void TextBox::SetSelText(const std::u16string& text) {
    // insert() replaces the selection, or inserts at the caret.
    Edit(*this)->insert(QString::fromStdU16String(text));
}

void TextBox::SetCentered(bool centered) {
    Edit(*this)->setAlignment(centered ? Qt::AlignHCenter : Qt::AlignLeft);
}

// ---- PictureBox ----

PictureBox::PictureBox(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, new PaneWidget(*this, form.Client())) {}

void PictureBox::SetPicture(const rt::Picture& picture) {
    picture_ = picture;
    if (autoSize_ && !picture_.Empty()) {
        const qreal dpr = Widget()->devicePixelRatioF();
        AdoptPixelSize(int(std::ceil(picture_.PixelWidth() / dpr)), int(std::ceil(picture_.PixelHeight() / dpr)));
    }
    Widget()->update();
    // Shown at once: the handler may go on with a long step (reading the file as text).
    if (Widget()->isVisible()) {
        Widget()->window()->repaint();
        PaintPendingEvents();
    }
}

void PictureBox::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on) SetPicture(picture_);
}

void PictureBox::SetOLEDropMode(int mode) {
    oleDropMode_ = mode;
    Widget()->setAcceptDrops(mode == 1);
}

void PictureBox::SetBackColor(Rgb back) {
    QPalette pal = Widget()->palette();
    pal.setColor(QPalette::Window, ToQColor(back));
    Widget()->setPalette(pal);
    Widget()->setAutoFillBackground(true);
}

// ---- Menu ----

Menu::Menu(Form& form, const char* name, const std::u16string& caption) : name_(name) {
    menu_ = form.Widget().menuBar()->addMenu(QString::fromStdU16String(caption));
    // Every separator is drawn as designed, also one that ends a menu.
    menu_->setSeparatorsCollapsible(false);
    menu_->setObjectName(QString::fromUtf8(name));
    action_ = menu_->menuAction();
    action_->setObjectName(QString::fromUtf8(name));
}

Menu::Menu(Menu& parent, const char* name, const std::u16string& caption, const std::u16string& shortcut,
           std::function<void()> click)
    : name_(name) {
    if (caption == u"-") {
        action_ = parent.menu_->addSeparator();
    } else {
        action_ = parent.menu_->addAction(QString::fromStdU16String(caption));
        if (!shortcut.empty()) action_->setShortcut(QKeySequence(QString::fromStdU16String(shortcut)));
        if (click)
            QObject::connect(action_, &QAction::triggered, action_, [click] { Dispatch(click); });
    }
    action_->setObjectName(QString::fromUtf8(name));
}

std::u16string Menu::Caption() const {
    return action_->isSeparator() ? u"-" : action_->text().toStdU16String();
}
bool Menu::Enabled() const { return action_->isEnabled(); }
void Menu::SetEnabled(bool enabled) { action_->setEnabled(enabled); }
bool Menu::Visible() const { return action_->isVisible(); }
void Menu::SetVisible(bool visible) { action_->setVisible(visible); }

}  // namespace rt
