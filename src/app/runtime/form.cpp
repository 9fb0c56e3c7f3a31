#include "app/runtime/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <cmath>
#include <map>

#include "app/runtime/application.h"
#include "app/runtime/controls.h"
#include "app/runtime/dispatch.h"
#include "app/runtime/qt/form_widget.h"
#include "app/runtime/qt/mouse_keys.h"
#include "app/runtime/qt/icons.h"
#include "app/runtime/qt/program_state.h"
#include "app/runtime/qt/taskbar.h"
#include "app/runtime/strings.h"
#include "platform/drop_data_qt.h"

namespace rt {

namespace {

// Window handles are small numbers of our own that name forms.
std::map<int32_t, Form*>& HandleTable() {
    static std::map<int32_t, Form*> table;
    return table;
}

std::vector<Form*>& LoadOrder() {
    static std::vector<Form*> order;
    return order;
}

int32_t HandleOf(const Form* form) {
    for (auto& [handle, f] : HandleTable())
        if (f == form) return handle;
    return 0;
}

}  // namespace

Form* FormFromHandle(int32_t hWnd) {
    auto it = HandleTable().find(hWnd);
    return it == HandleTable().end() ? nullptr : it->second;
}

QList<Form*> LoadedForms() {
    QList<Form*> forms;
    for (Form* f : LoadOrder())
        if (f->IsLoaded()) forms.push_back(f);
    return forms;
}

// ---- the Qt window ----

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

// ---- the form ----

Form::Form(const FormDesign& design) : design_(design) {
    widget_ = std::make_unique<FormWidget>(*this);
    int32_t handle = 0x1004;
    while (HandleTable().count(handle)) handle += 4;
    HandleTable()[handle] = this;
    LoadOrder().push_back(this);
}

Form::~Form() {
    HandleTable().erase(HandleOf(this));
    auto& order = LoadOrder();
    order.erase(std::remove(order.begin(), order.end(), this), order.end());
}

QWidget* Form::Client() const { return widget_->client(); }

bool Form::Visible() const { return widget_->isVisible(); }

void Form::SetVisible(bool visible) {
    if (visible) {
        // Already shown: nothing changes (it is not raised over other windows again).
        if (loaded_ && widget_->isVisible()) return;
        Show();
    } else if (widget_->isVisible()) {
        widget_->RememberPlace();
        widget_->hide();
    }
}

int32_t Form::hWnd() const { return HandleOf(this); }

int32_t Form::Icon() const { return ProgramIconHandle(); }

void Form::SetScaleTop(double top) {
    scaleTop_ = top;
    RelayoutControls();
}

void Form::RelayoutControls() {
    for (Control* c : controls_) c->ApplyGeometry();
}

std::u16string Form::Caption() const { return widget_->windowTitle().toStdU16String(); }

void Form::SetCaption(const std::u16string& caption) { widget_->setWindowTitle(QString::fromStdU16String(caption)); }

void Form::Show(int modal) {
    (void)modal;  // no form of this program is shown modal
    // A form that is loaded afresh takes its design size and stored place again.
    const bool fresh = !loaded_;
    if (fresh) Load(*this);
    if (fresh || !widget_->property("orvennaPlaced").toBool()) {
        widget_->setProperty("orvennaPlaced", true);
        const int w = int(std::lround(design_.clientWidthTwips / kTwipsPerPixel));
        const int h = int(std::lround(design_.clientHeightTwips / kTwipsPerPixel));
        const int menuHeight = widget_->menuWidget() ? widget_->menuWidget()->sizeHint().height() : 0;
        widget_->resize(w, h + menuHeight);
        if (design_.startLeftTwips >= 0 && design_.startTopTwips >= 0) {
            const int x = int(std::lround(design_.startLeftTwips / kTwipsPerPixel));
            const int y = int(std::lround(design_.startTopTwips / kTwipsPerPixel));
            widget_->setGeometry(x, y - menuHeight, w, h + menuHeight);
        }
        if (design_.fixedDialog) widget_->setFixedSize(w, h + menuHeight);
    } else if (!widget_->isVisible()) {
        widget_->RestorePlace();
    }
    if (!design_.showInTaskbar) KeepOffTaskbar(*widget_);
    widget_->show();
    widget_->raise();
    widget_->activateWindow();
}

int Form::UnitsToPixelsX(double units) const {
    return int(std::lround((units - scaleLeft_) * design_.twipsPerUnitX / kTwipsPerPixel));
}
int Form::UnitsToPixelsY(double units) const {
    return int(std::lround((units - scaleTop_) * design_.twipsPerUnitY / kTwipsPerPixel));
}
double Form::PixelsToUnitsX(int pixels) const {
    return pixels * kTwipsPerPixel / design_.twipsPerUnitX + scaleLeft_;
}
double Form::PixelsToUnitsY(int pixels) const {
    return pixels * kTwipsPerPixel / design_.twipsPerUnitY + scaleTop_;
}

void Load(Form& form) {
    if (form.loaded_) return;
    form.loaded_ = true;
    form.Form_Load();
}

void Unload(Form& form) { UnloadFor(form, vbFormCode); }

void UnloadFor(Form& form, int16_t mode) {
    // A request that arrives while this form's close query runs is the same close:
    // the one under way goes on.
    if (!form.loaded_ || form.unloading_) return;
    form.unloading_ = true;
    int16_t cancel = 0;
    try {
        form.Form_QueryUnload(cancel, mode);
    } catch (...) {
        form.unloading_ = false;
        throw;
    }
    form.unloading_ = false;
    if (cancel != 0) return;
    form.loaded_ = false;
    form.widget_->hide();
    if (LoadedForms().isEmpty()) StopProgram();
}

}  // namespace rt
