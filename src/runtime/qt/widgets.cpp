#include "runtime/qt/widgets.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <memory>

#include "runtime/controls.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/mouse_keys.h"
#include "runtime/qt/picture_data.h"
#include "runtime/qt/drop_data.h"

namespace rt {

// ---- PaneWidget ----

PaneWidget::PaneWidget(PictureBox& box, QWidget* parent) : QWidget(parent), box_(box) {
    // The pane takes the focus by click or Tab, and has it first when the window opens.
    setFocusPolicy(Qt::StrongFocus);
}

void PaneWidget::paintEvent(QPaintEvent* event) {
    (void)event;
    const QImage* image = ShownImageOf(box_.Picture());
    if (!image) return;
    QPainter painter(this);
    // Drawn into a rectangle of the image's size in logical pixels, so that each
    // image pixel lands on one device pixel; the shared image is not copied.
    const qreal dpr = devicePixelRatioF();
    painter.drawImage(QRectF(0, 0, image->width() / dpr, image->height() / dpr), *image);
}

void PaneWidget::mousePressEvent(QMouseEvent* event) {
    const int16_t button = ButtonsOf(event->button());
    const int16_t shift = ShiftOf(event->modifiers());
    Form& form = box_.Parent();
    const float x = float(form.PixelsToUnitsX(int(event->position().x())));
    const float y = float(form.PixelsToUnitsY(int(event->position().y())));
    PictureBox* box = &box_;
    if (box->OnMouseDown) Dispatch([box, button, shift, x, y] { box->OnMouseDown(button, shift, x, y); });
}

void PaneWidget::dragEnterEvent(QDragEnterEvent* event) { event->acceptProposedAction(); }

void PaneWidget::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void PaneWidget::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    auto data = std::make_shared<DataObject>(DataObjectFromMime(event->mimeData()));
    const int16_t button = 0;
    const int16_t shift = ShiftOf(event->modifiers());
    Form& form = box_.Parent();
    const float x = float(form.PixelsToUnitsX(int(event->position().x())));
    const float y = float(form.PixelsToUnitsY(int(event->position().y())));
    PictureBox* box = &box_;
    if (box->OnDragDrop)
        Dispatch([box, data, button, shift, x, y] {
            int32_t effect = 1;  // copy
            box->OnDragDrop(*data, effect, button, shift, x, y);
        });
}

// ---- TextBoxWidget ----

bool TextBoxWidget::IsMenuShortcut(const QKeyEvent* event) const {
    const QKeySequence pressed(event->keyCombination());
    for (const QAction* action : window()->findChildren<QAction*>())
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed) return true;
    return false;
}

bool TextBoxWidget::event(QEvent* event) {
    // Not claiming the key lets the window's shortcut fire instead of the box's editing key.
    if (event->type() == QEvent::ShortcutOverride && IsMenuShortcut(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

void TextBoxWidget::keyPressEvent(QKeyEvent* event) {
    // A menu key whose command is unavailable (its menu greyed) must not edit the box either.
    if (IsMenuShortcut(event)) {
        event->ignore();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace rt
