#include "runtime/qt/widgets.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "runtime/controls.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/mouse_keys.h"
#include "runtime/qt/pane_view.h"
#include "runtime/qt/picture_data.h"
#include "runtime/qt/drop_data.h"

namespace rt {

// ---- PaneWidget ----

namespace {
std::vector<PaneWidget*> panes;  // those that exist, for the picture service's view of them
}

PaneWidget::PaneWidget(PictureBox& box, QWidget* parent) : QWidget(parent), box_(box) {
    // The pane takes the focus by click or Tab, and has it first when the window opens.
    setFocusPolicy(Qt::StrongFocus);
    panes.push_back(this);
    // A picture shown while it was completed is painted whole once it is.
    connect(&CompletionNotices::Instance(), &CompletionNotices::completed, this, [this] { update(); },
            Qt::QueuedConnection);
}

PaneWidget::~PaneWidget() { std::erase(panes, this); }

QSize VisiblePaneArea() {
    QSize largest;
    for (const QWidget* pane : panes) {
        if (!pane->isVisible()) continue;
        // The pane's rectangle, clipped by each parent up to its window.
        QRect seen = pane->rect();
        QPoint origin(0, 0);  // the pane's corner in the present parent's coordinates
        for (const QWidget* w = pane; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
            origin = w->mapToParent(origin);
            seen = QRect(w->mapToParent(seen.topLeft()), seen.size()) & w->parentWidget()->rect();
        }
        if (seen.isEmpty()) continue;
        const qreal dpr = pane->devicePixelRatioF();
        const QSize fromCorner(seen.right() + 1 - origin.x(), seen.bottom() + 1 - origin.y());
        largest = largest.expandedTo(QSize(int(std::ceil(fromCorner.width() * dpr)),
                                           int(std::ceil(fromCorner.height() * dpr))));
    }
    return largest;
}

void PaneWidget::paintEvent(QPaintEvent* event) {
    (void)event;
    // While the picture is completed only its visible part is painted; the rest follows.
    const QImage* image = PaintableImageOf(box_.Picture());
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
