// The save command with scripted dialogs and boxes: each step's effect, the cancel,
// odd target names, and failed writes that are told and clear nothing.
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

#include "app/form1.h"
#include "runtime/common_dialog.h"
#include "runtime/msgbox.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "filecmd/save_filter.h"
#include "runtime/testing.h"
#include "test_support.h"

namespace {

// Answers the save dialog with a host path (or a cancel) and keeps what it was asked.
struct ScriptedSave {
    std::optional<std::string> answer;
    std::vector<rt::SaveDialogRequest> requests;
    ScriptedSave() {
        rt::testing::SetSaveDialogHandler([this](const rt::SaveDialogRequest& r) {
            requests.push_back(r);
            return answer;
        });
    }
    ~ScriptedSave() { rt::testing::SetSaveDialogHandler({}); }
};

std::u16string W(const QString& host) { return rt::WindowsPath(host.toStdString()); }

QByteArray FormatOf(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.canRead() ? reader.format() : QByteArray();
}

QString Message(const QString& ext) {
    return QString("You got 『%1』 image file which you wanted to convert.").arg(ext);
}

}  // namespace

class SaveCommand : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;

    // The state a dropped picture leaves behind.
    void ShowPicture() {
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::blue);
        form->Picture1.SetPicture(rt::PictureFromImage(image));
        form->Text1.SetText(u"moon.jpg");
        form->DropPath = u"\\in\\moon.jpg";
        form->DropExt = u"jpg";
        form->DropName = u"moon.jpg";
    }

    // After a failed or cancelled save, the picture and the file's state are still there.
    void CheckNothingCleared() {
        QVERIFY(!form->Picture1.Picture().Empty());
        QCOMPARE(q(form->Text1.Text()), QString("moon.jpg"));
        QCOMPARE(q(form->DropPath), QString("\\in\\moon.jpg"));
        QCOMPARE(q(form->DropName), QString("moon.jpg"));
        QCOMPARE(q(form->TargetName), QString());
    }

private slots:
    void init() { form = std::make_unique<Form1>(); }
    void cleanup() { form.reset(); }

    void savingWritesTellsAndClears() {
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        const QString target = dir.filePath("moon.bmp");
        dialog.answer = target.toStdString();
        QString boxTextMeanwhile;
        boxes.onShow = [&](const BoxCall&) { boxTextMeanwhile = q(form->Text1.Text()); };
        form->Save_Click(0);

        QCOMPARE(FormatOf(target), QByteArray("bmp"));
        QCOMPARE(boxes.calls.size(), size_t(1));
        QCOMPARE(boxes.calls[0].prompt, Message("bmp"));
        QCOMPARE(boxes.calls[0].title, QString("Orvenna"));
        QCOMPARE(boxes.calls[0].style, 64);
        QCOMPARE(boxTextMeanwhile, QString("moon.bmp"));
        QVERIFY(form->Picture1.Picture().Empty());
        QCOMPARE(q(form->Text1.Text()), QString());
        QCOMPARE(q(form->DropPath), QString());
        QCOMPARE(q(form->DropName), QString());
        QCOMPARE(q(form->TargetName), QString());
        QCOMPARE(q(form->DropExt), QString("jpg"));  // not the command's business
        QCOMPARE(q(form->TargetExt), QString("bmp"));
        QCOMPARE(q(form->DialogPath), q(W(target)));
    }

    void extensionPicksTheFormatAndTheMessage_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("ext");
        QTest::newRow("jpg") << "moon.jpg" << QByteArray("jpeg") << "jpg";
        QTest::newRow("GIF upper") << "moon.GIF" << QByteArray("gif") << "GIF";
        QTest::newRow("png") << "moon.png" << QByteArray("png") << "png";
        QTest::newRow("zr4") << "moon.zr4" << QByteArray("bmp") << "zr4";
        QTest::newRow("no extension") << "moon" << QByteArray("bmp") << "";
    }
    void extensionPicksTheFormatAndTheMessage() {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QFETCH(QString, ext);
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        const QString target = dir.filePath(name);
        dialog.answer = target.toStdString();
        form->Save_Click(0);
        QCOMPARE(FormatOf(target), format);
        QCOMPARE(boxes.calls.size(), size_t(1));
        QCOMPARE(boxes.calls[0].prompt, Message(ext));
    }

    void folderWithADotGivesTheRestOfThePath() {
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        QDir(dir.path()).mkpath("a.b");
        const QString target = dir.filePath("a.b/moon");
        dialog.answer = target.toStdString();
        form->Save_Click(0);
        QCOMPARE(FormatOf(target), QByteArray("bmp"));
        QCOMPARE(q(form->TargetExt), QString("b\\moon"));
        QCOMPARE(boxes.calls[0].prompt, Message("b\\moon"));
    }

    void cancelWritesNothingAndSaysNothing() {
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        form->TargetExt = u"old";
        form->DialogPath = u"old";
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        form->Save_Click(0);
        QVERIFY(boxes.calls.empty());
        CheckNothingCleared();
        QCOMPARE(q(form->TargetExt), QString());
        QCOMPARE(q(form->DialogPath), QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
        // The next dialog is prepared all the same.
        QCOMPARE(form->CommonDialog1.Flags(), 0);
        QVERIFY(form->CommonDialog1.CancelError());
    }

    void dialogSettingsAcrossRuns() {
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        form->CommonDialog1.SetFlags(0x2);  // stored settings of the first dialog
        form->CommonDialog1.SetFilter(u"Only|*.x");
        form->CommonDialog1.SetFileName(std::u16string(u"\\start\\moon.jpg") + std::u16string(20, u'\0'));
        form->Save_Click(0);
        form->Save_Click(0);
        QCOMPARE(dialog.requests.size(), size_t(2));
        QCOMPARE(dialog.requests[0].flags, 0x2);
        QCOMPARE(q(dialog.requests[0].fileName), QString("\\start\\moon.jpg"));  // up to its NUL
        QCOMPARE(dialog.requests[0].filters.size(), size_t(1));
        // From the second dialog on: flags 0 and the save filter table, six entries in order.
        QCOMPARE(dialog.requests[1].flags, 0);
        const auto& filters = dialog.requests[1].filters;
        QCOMPARE(filters.size(), size_t(6));
        QCOMPARE(q(filters[0].first), QString("JPGイメージ(*.jpg)"));
        QCOMPARE(q(filters[0].second), QString(".jpg"));
        QCOMPARE(q(filters[3].first), QString("Bitmapイメージ(*.bmp)"));
        QCOMPARE(q(filters[4].second), QString(".zr4"));
        QCOMPARE(q(filters[5].first), QString("すべてのファイル(*.*)"));
        QCOMPARE(q(filters[5].second), QString("*.*"));
        QCOMPARE(std::u16string(filecmd::kSaveFilter).size(), size_t(123));
    }

    void confirmedTargetBecomesTheNextStart() {
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        const QString target = dir.filePath("next.png");
        dialog.answer = target.toStdString();
        form->Save_Click(0);
        dialog.answer.reset();
        form->Save_Click(0);
        QCOMPARE(q(dialog.requests[1].fileName), q(W(target)));
    }

    // Mended: an empty pane or a failed write is told, names the target and the reason,
    // and clears nothing.
    void failedWritesAreToldAndClearNothing_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("emptyPane");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty pane") << "empty.bmp" << true << "no picture";
        QTest::newRow("missing folder") << "none/moon.bmp" << false << "no such folder";
        QTest::newRow("target is a folder") << "afolder.png" << false << "is a folder";
    }
    void failedWritesAreToldAndClearNothing() {
        QFETCH(QString, target);
        QFETCH(bool, emptyPane);
        QFETCH(QString, reason);
        QDir(dir.path()).mkpath("afolder.png");
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        if (emptyPane) form->Picture1.SetPicture(rt::LoadPicture());
        dialog.answer = dir.filePath(target).toStdString();
        form->Save_Click(0);
        QCOMPARE(boxes.calls.size(), size_t(1));
        QCOMPARE(boxes.calls[0].style, 48);
        QCOMPARE(boxes.calls[0].title, QString("Orvenna"));
        QVERIFY2(boxes.calls[0].prompt.contains(QFileInfo(target).fileName()), qPrintable(boxes.calls[0].prompt));
        QVERIFY2(boxes.calls[0].prompt.contains(reason), qPrintable(boxes.calls[0].prompt));
        QCOMPARE(form->Picture1.Picture().Empty(), emptyPane);
        QCOMPARE(q(form->Text1.Text()), QString("moon.jpg"));
        QCOMPARE(q(form->DropPath), QString("\\in\\moon.jpg"));
        QCOMPARE(q(form->DropName), QString("moon.jpg"));
        QCOMPARE(q(form->TargetName), QString());
        QCOMPARE(q(form->TargetExt), QString());
    }

    // Mended: a write cut off by a full disk (here the file size limit) is told and
    // leaves the existing target as it was.
    void fullDiskKeepsTheOldFile() {
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        QImage big(700, 700, QImage::Format_RGB32);
        big.fill(Qt::red);
        form->Picture1.SetPicture(rt::PictureFromImage(big));
        const QString target = dir.filePath("full.bmp");
        {
            QFile f(target);
            f.open(QIODevice::WriteOnly);
            f.write("OLD");
        }
        dialog.answer = target.toStdString();
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 50000;
        setrlimit(RLIMIT_FSIZE, &small);
        form->Save_Click(0);
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(boxes.calls.size(), size_t(1));
        QVERIFY(boxes.calls[0].prompt.contains("Disk full"));
        QVERIFY(boxes.calls[0].prompt.contains("full.bmp"));
        QVERIFY(!form->Picture1.Picture().Empty());
        QFile f(target);
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), QByteArray("OLD"));
        QCOMPARE(QDir(dir.path()).entryList({"full.bmp*"}, QDir::Files | QDir::Hidden), QStringList{"full.bmp"});
    }

    void replacingAnExistingFile() {
        ScriptedBoxes boxes;
        ScriptedSave dialog;
        ShowPicture();
        const QString target = dir.filePath("exists.gif");
        {
            QFile f(target);
            f.open(QIODevice::WriteOnly);
            f.write("not a picture");
        }
        dialog.answer = target.toStdString();
        form->Save_Click(0);
        QCOMPARE(FormatOf(target), QByteArray("gif"));
        QCOMPARE(boxes.calls[0].prompt, Message("gif"));
    }
};

QTEST_MAIN(SaveCommand)
#include "test_save_command.moc"
