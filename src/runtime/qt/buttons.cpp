#include "runtime/buttons.h"

#include <QEvent>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <vector>

#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/fonts.h"
#include "runtime/qt/peers.h"

namespace rt {

namespace {

const QString kKeeperName = QStringLiteral("orvennaButtons");

QPushButton* Push(const CommandButton& b) { return static_cast<QPushButton*>(WidgetOf(b)); }

// The buttons of one window: their tab order, the focus when the window opens, and
// the Enter and Esc keys. Lives as a child of the window.
class WindowButtons : public QObject {
public:
    explicit WindowButtons(QWidget* window) : QObject(window), window_(window) {
        setObjectName(kKeeperName);
        window->installEventFilter(this);
        for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
            auto* enter = new QShortcut(QKeySequence(key), window, nullptr, nullptr, Qt::WindowShortcut);
            QObject::connect(enter, &QShortcut::activated, this, [this] { PressForEnter(); });
        }
        auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), window, nullptr, nullptr, Qt::WindowShortcut);
        QObject::connect(esc, &QShortcut::activated, this, [this] { PressFirst(&CommandButton::Cancel); });
    }

    static WindowButtons* Find(Form& form) {
        for (QObject* child : WindowOf(form).children())
            if (child->objectName() == kKeeperName) return static_cast<WindowButtons*>(child);
        return nullptr;
    }
    static WindowButtons& Of(Form& form) {
        WindowButtons* keeper = Find(form);
        return keeper ? *keeper : *new WindowButtons(&WindowOf(form));
    }

    void Add(CommandButton* b) { buttons_.push_back(b); }
    void Remove(CommandButton* b) { buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), b), buttons_.end()); }

    // Only one default and one cancel button per window: a new one takes the role.
    void TakeRole(CommandButton* b, bool (CommandButton::*role)() const, void (CommandButton::*set)(bool)) {
        for (CommandButton* other : buttons_)
            if (other != b && (other->*role)()) (other->*set)(false);
    }

    void Reorder() {
        std::vector<CommandButton*> order = Ordered();
        for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(WidgetOf(*order[i - 1]), WidgetOf(*order[i]));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Each opening of the window starts with the focus on its first button.
        if (watched == window_ && event->type() == QEvent::Show) {
            for (CommandButton* b : Ordered())
                if (WidgetOf(*b)->isEnabled() && !WidgetOf(*b)->isHidden()) {
                    WidgetOf(*b)->setFocus(Qt::TabFocusReason);
                    break;
                }
        }
        return false;
    }

private:
    std::vector<CommandButton*> Ordered() const {
        std::vector<CommandButton*> order = buttons_;
        std::stable_sort(order.begin(), order.end(),
                         [](const CommandButton* a, const CommandButton* b) { return a->TabIndex() < b->TabIndex(); });
        return order;
    }

    void PressForEnter() {
        QWidget* focus = window_->focusWidget();
        for (CommandButton* b : buttons_)
            if (WidgetOf(*b) == focus) {
                Push(*b)->click();
                return;
            }
        PressFirst(&CommandButton::Default);
    }

    void PressFirst(bool (CommandButton::*role)() const) {
        for (CommandButton* b : buttons_)
            if ((b->*role)()) {
                Push(*b)->click();
                return;
            }
    }

    QWidget* window_;
    std::vector<CommandButton*> buttons_;
};

}  // namespace

CommandButton::CommandButton(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, MakeControlPeer(new QPushButton(ClientOf(form)), name)) {
    Push(*this)->setAutoDefault(false);
    QObject::connect(Push(*this), &QPushButton::clicked, Push(*this), [this] {
        if (OnClick) Dispatch(OnClick);
    });
    WindowButtons::Of(form).Add(this);
    WindowButtons::Of(form).Reorder();
}

CommandButton::~CommandButton() {
    if (WindowButtons* keeper = WindowButtons::Find(Parent())) keeper->Remove(this);
}

std::u16string CommandButton::Caption() const { return Push(*this)->text().toStdU16String(); }

void CommandButton::SetCaption(const std::u16string& caption) { Push(*this)->setText(QString::fromStdU16String(caption)); }

void CommandButton::SetFont(const FontStyle& font) { Push(*this)->setFont(QFontFrom(font)); }

void CommandButton::SetDefault(bool on) {
    if (on) WindowButtons::Of(Parent()).TakeRole(this, &CommandButton::Default, &CommandButton::SetDefault);
    default_ = on;
    // Drawn as the default button; Enter itself is the window's.
    Push(*this)->setDefault(on);
}

void CommandButton::SetCancel(bool on) {
    if (on) WindowButtons::Of(Parent()).TakeRole(this, &CommandButton::Cancel, &CommandButton::SetCancel);
    cancel_ = on;
}

void CommandButton::SetTabIndex(int index) {
    tabIndex_ = index;
    WindowButtons::Of(Parent()).Reorder();
}

}  // namespace rt
