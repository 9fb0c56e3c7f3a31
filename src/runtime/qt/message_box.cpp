// The Qt message box.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "runtime/backend.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "runtime/qt/icons.h"
#include "runtime/qt/peers.h"

namespace rt {

namespace {

// The visible form in front, so that the box is centred on it; none while all are hidden.
QWidget* OwnerWindow() {
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible()) return active;
    const std::vector<Form*> forms = LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        if ((*it)->Visible()) return &WindowOf(**it);
    return nullptr;
}

}  // namespace

int backend::ShowMessageBox(const std::u16string& prompt, int style, const std::u16string& title) {
    QMessageBox box(OwnerWindow());
    box.setWindowTitle(QString::fromStdU16String(title));
    box.setText(QString::fromStdU16String(prompt));
    box.setTextFormat(Qt::PlainText);
    box.setWindowIcon(ProgramIcon());
    box.setWindowModality(Qt::ApplicationModal);
    if ((style & 0xF0) == vbExclamation)
        box.setIcon(QMessageBox::Warning);
    else if ((style & 0xF0) == vbInformation)
        box.setIcon(QMessageBox::Information);

    const bool yesNo = (style & 0x0F) == vbYesNo;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (style & vbMsgBoxSetForeground) {
        // In front of every window, also while the program's own windows are hidden.
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    box.show();
    box.raise();
    box.activateWindow();
    const int pressed = box.exec();
    if (!yesNo) return vbOK;
    return pressed == QMessageBox::Yes ? vbYes : vbNo;
}

}  // namespace rt
