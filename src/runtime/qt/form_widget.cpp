#include "runtime/qt/form_widget.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWindow>
#include <cmath>

#include "runtime/backend.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/drop_data.h"
#include "runtime/qt/icons.h"
#include "runtime/qt/mouse_keys.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/taskbar.h"

namespace rt {

FormWidget::FormWidget(Form& form) : form_(form), client_(new QWidget(this)) {
    const FormDesign& d = form.Design();
    setObjectName(QString::fromUtf8(d.name));
    setWindowTitle(QString::fromStdU16String(d.caption));
    setWindowIcon(ProgramIcon());
    setCentralWidget(client_);
    client_->setObjectName(QStringLiteral("client"));
    client_->setMouseTracking(true);
    client_->installEventFilter(this);
    setAcceptDrops(d.acceptsDrops);
    if (d.fixedDialog) {
        // A plain window, not Qt::Dialog or Qt::Tool: those are kept above the program's
        // other windows as their owned windows. Staying off the taskbar is asked at show.
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    }
}

void FormWidget::closeEvent(QCloseEvent* event) {
    // The close box, the window manager or the session: the form's close query decides.
    event->ignore();
    if (Ended()) return;
    Form* form = &form_;
    Dispatch([form] { UnloadFor(*form, vbFormControlMenu); });
}

void FormWidget::dragEnterEvent(QDragEnterEvent* event) {
    // Every kind of data is taken: data without a file list is answered by the handler.
    event->acceptProposedAction();
}

void FormWidget::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void FormWidget::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    auto data = std::make_shared<DataObject>(DataObjectFromMime(event->mimeData()));
    const QPointF pos = client_->mapFrom(this, event->position());
    const int16_t button = ButtonsOf(event->buttons());
    const int16_t shift = ShiftOf(event->modifiers());
    Form* form = &form_;
    const float x = float(form->PixelsToUnitsX(int(pos.x())));
    const float y = float(form->PixelsToUnitsY(int(pos.y())));
    Dispatch([form, data, button, shift, x, y] {
        int32_t effect = 1;  // copy
        form->Form_OLEDragDrop(*data, effect, button, shift, x, y);
    });
}

bool FormWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(event);
        Form* form = &form_;
        const int16_t button = ButtonsOf(me->buttons());
        const int16_t shift = ShiftOf(me->modifiers());
        const float x = float(form->PixelsToUnitsX(int(me->position().x())));
        const float y = float(form->PixelsToUnitsY(int(me->position().y())));
        Dispatch([form, button, shift, x, y] { form->Form_MouseMove(button, shift, x, y); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void FormWidget::RestorePlace() {
    // The client area's geometry, set on the window itself too: Qt skips an unchanged
    // geometry and then leaves the placing to the window manager. Set, it asks the window
    // manager for exactly that place and size, frame around it unchanged.
    if (place_.isValid()) {
        setGeometry(place_);
        if (QWindow* window = windowHandle()) window->setGeometry(place_);
    }
    place_ = QRect();
}

void PeerDelete::operator()(FormPeer* peer) const { delete peer; }

namespace backend {

PeerPtr<FormPeer> MakeWindow(Form& form) {
    return PeerPtr<FormPeer>(new FormPeer{std::make_unique<FormWidget>(form)});
}

void PlaceWindow(FormPeer& peer, const Form& form) {
    FormWidget& window = *peer.window;
    const FormDesign& design = form.Design();
    const int w = int(std::lround(design.clientWidthTwips / kTwipsPerPixel));
    const int h = int(std::lround(design.clientHeightTwips / kTwipsPerPixel));
    const int menuHeight = window.menuWidget() ? window.menuWidget()->sizeHint().height() : 0;
    window.resize(w, h + menuHeight);
    if (design.startLeftTwips >= 0 && design.startTopTwips >= 0) {
        const int x = int(std::lround(design.startLeftTwips / kTwipsPerPixel));
        const int y = int(std::lround(design.startTopTwips / kTwipsPerPixel));
        window.setGeometry(x, y - menuHeight, w, h + menuHeight);
    }
    if (design.fixedDialog) window.setFixedSize(w, h + menuHeight);
}

void RestoreWindowPlace(FormPeer& peer) { peer.window->RestorePlace(); }

void ShowWindow(FormPeer& peer, const Form& form) {
    if (!form.Design().showInTaskbar) KeepOffTaskbar(*peer.window);
    peer.window->show();
    peer.window->raise();
    peer.window->activateWindow();
}

void HideWindow(FormPeer& peer, bool keepPlace) {
    if (keepPlace) peer.window->RememberPlace();
    peer.window->hide();
}

bool WindowVisible(const FormPeer& peer) { return peer.window->isVisible(); }

void SetWindowCaption(FormPeer& peer, const std::u16string& caption) {
    peer.window->setWindowTitle(QString::fromStdU16String(caption));
}

int32_t WindowHandle(const FormPeer&) { return 0; }  // X11 and Wayland ids are not Windows handles

}  // namespace backend
}  // namespace rt
