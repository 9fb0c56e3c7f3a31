// The real save dialog of the dialog control: the filter list, the starting name, and
// the question before an existing file is replaced.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "runtime/errors.h"
#include "runtime/strings.h"
#include "filecmd/save_filter.h"
#include "test_support.h"

namespace {

void PressReturn(QFileDialog* dialog) {
    dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Save)->click();
}


}  // namespace

class SaveDialog : public QObject {
    Q_OBJECT
private slots:
    void filterListAndStartingName() {
        QTemporaryDir dir;
        Form1 form;
        form.CommonDialog1.SetFileName(rt::WindowsPath(dir.filePath("moon.bmp").toStdString()));
        QStringList shown;
        QString directory, name;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            for (int i = 0; types && i < types->count(); ++i) shown << types->itemText(i);
            directory = dialog->directory().absolutePath();
            name = dialog->selectedFiles().value(0);
            dialog->reject();
        });
        form.CommonDialog1.SetCancelError(true);
        int error = 0;
        try {
            form.CommonDialog1.ShowSave();
        } catch (const rt::RuntimeError& e) {
            error = e.Number();
        }
        QCOMPARE(error, int(rt::ErrCancel));
        QCOMPARE(shown, (QStringList{"JPGイメージ(*.jpg)", "GIFイメージ(*.gif)", "PNGイメージ(*.png)",
                                     "Bitmapイメージ(*.bmp)", "ZR4データファイル(*.zr4)", "すべてのファイル(*.*)"}));
        QCOMPARE(directory, QDir(dir.path()).absolutePath());
        QCOMPARE(QFileInfo(name).fileName(), QString("moon.bmp"));
    }

    // No to the question returns to the dialog; Yes replaces.
    void replacingAskedFirst() {
        QTemporaryDir dir;
        const QString existing = dir.filePath("old.gif");
        QFile(existing).open(QIODevice::WriteOnly);
        Form1 form;
        form.CommonDialog1.SetFileName(rt::WindowsPath(existing.toStdString()));
        int questions = 0;
        bool backInDialog = false;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            WhenModal<QMessageBox>([&, dialog](QMessageBox* box) {
                ++questions;
                box->button(QMessageBox::No)->click();
                backInDialog = dialog->isVisible();
                WhenModal<QMessageBox>([&](QMessageBox* again) {
                    ++questions;
                    again->button(QMessageBox::Yes)->click();
                });
                PressReturn(dialog);
            });
            PressReturn(dialog);
        });
        form.CommonDialog1.ShowSave();
        QCOMPARE(questions, 2);
        QVERIFY(backInDialog);
        QCOMPARE(q(form.CommonDialog1.FileName()), q(rt::WindowsPath(existing.toStdString())));
    }
};

QTEST_MAIN(SaveDialog)
#include "test_save_dialog.moc"
