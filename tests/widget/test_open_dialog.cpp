// The real open dialog behind the open-file call: its title, no file types, existing
// files only, and the chosen path in the buffer.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "runtime/strings.h"
#include "filecmd/show_open_dialog.h"
#include "test_support.h"

namespace {

void TypeName(QFileDialog* dialog, const QString& name) {
    // Set as typed, then the dialog's Open button (typing would open the completer).
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
    QVERIFY(edit && buttons);
    edit->setText(name);
    buttons->button(QDialogButtonBox::Open)->click();
}

}  // namespace

class OpenDialog : public QObject {
    Q_OBJECT
private slots:
    void choosesAnExistingFileOnly() {
        QTemporaryDir dir;
        QFile(dir.filePath("moon.jpg")).open(QIODevice::WriteOnly);
        Form1 form;
        QString title;
        bool typesHidden = false, existingOnly = false, nonNative = false, stayedOpen = false, refused = false;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            typesHidden = types && !types->isVisible();
            existingOnly = dialog->fileMode() == QFileDialog::ExistingFile;
            nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
            dialog->setDirectory(dir.path());
            // A name that does not exist cannot be opened; the dialog stays.
            TypeName(dialog, "missing.jpg");
            refused = !dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open)->isEnabled();
            stayedOpen = dialog->isVisible();
            TypeName(dialog, "moon.jpg");
        });
        const std::u16string got = ShowOpenDialog(form.hWnd(), u"");
        QCOMPARE(title, QString("ファイルを開く"));
        QVERIFY(typesHidden);
        QVERIFY(existingOnly);
        QVERIFY(nonNative);
        QVERIFY(stayedOpen);
        QVERIFY(refused);
        QCOMPARE(q(rt::UpToNul(got)), q(rt::WindowsPath(dir.filePath("moon.jpg").toStdString())));
        QCOMPARE(got.size(), size_t(250));
    }

    void cancelGivesTheEmptyString() {
        Form1 form;
        WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        QCOMPARE(q(ShowOpenDialog(form.hWnd(), u"")), QString());
    }
};

QTEST_MAIN(OpenDialog)
#include "test_open_dialog.moc"
