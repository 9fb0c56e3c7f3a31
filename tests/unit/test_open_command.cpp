// The open command: the dialog record and its buffer, the picture, the text handed
// to the pane, and the failures that end the command silently.
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/errors.h"
#include "runtime/file_input.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "filecmd/show_open_dialog.h"
#include "platform/get_open_file_name.h"
#include "runtime/testing.h"
#include "test_support.h"
#include "process_memory.h"

using platform::OPENFILENAMEA;

namespace {

// Answers the open dialog with a host path (or a cancel) and keeps the record it saw.
struct ScriptedOpen {
    std::optional<std::string> answer;
    int shown = 0;
    OPENFILENAMEA seen{};
    std::string title, file, fileTitle;
    bool filterNull = false;
    bool fail = false;  // the dialog cannot be shown at all
    ScriptedOpen() {
        rt::testing::SetOpenDialogHandler([this](const OPENFILENAMEA& r) -> std::optional<std::string> {
            ++shown;
            seen = r;
            auto text = [](platform::LPSTR32 a) { return platform::AnsiAt(a) ? *platform::AnsiAt(a) : std::string(); };
            title = text(r.lpstrTitle);
            file = text(r.lpstrFile);
            fileTitle = text(r.lpstrFileTitle);
            filterNull = r.lpstrFilter == 0;
            if (fail) rt::Raise(rt::ErrPlatformCall, u"no dialog");
            return answer;
        });
    }
    ~ScriptedOpen() { rt::testing::SetOpenDialogHandler({}); }
};

std::u16string W(const QString& host) { return rt::WindowsPath(host.toStdString()); }


}  // namespace

class OpenCommand : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;

    QString Picture(const QString& name, QColor colour = Qt::green) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir.filePath(name);
        image.save(path);
        return path;
    }
    QString File(const QString& name, const QByteArray& bytes) { return WriteFile(dir.filePath(name), bytes); }

private slots:
    void init() { form = std::make_unique<Form1>(); }
    void cleanup() {
        form.reset();
        rt::Reset();
        rt::testing::FailInputReadsAfter(-1);
    }

    void recordHoldsTheOpenDialogFields() {
        ScriptedOpen dialog;
        ShowOpenDialog(form->hWnd(), u"");
        QCOMPARE(dialog.shown, 1);
        const OPENFILENAMEA& r = dialog.seen;
        QCOMPARE(r.lStructSize, 76u);
        QCOMPARE(r.hwndOwner, form->hWnd());
        QCOMPARE(r.hInstance, rt::App().hInstance());
        QVERIFY(dialog.filterNull);  // no list of file types
        QCOMPARE(r.lpstrCustomFilter, 0u);
        QCOMPARE(r.nMaxCustFilter, 0u);
        QCOMPARE(r.nFilterIndex, 0u);
        QCOMPARE(dialog.file, std::string(250, '\0'));
        QCOMPARE(r.nMaxFile, 250u);
        QCOMPARE(dialog.fileTitle, std::string(250, '\0'));
        QCOMPARE(r.nMaxFileTitle, 250u);
        QCOMPARE(r.lpstrInitialDir, 0u);
        QCOMPARE(QString::fromStdString(dialog.title), QString("ファイルを開く"));
        QCOMPARE(r.Flags, 0x1804u);
        QCOMPARE(r.lpstrDefExt, 0u);
        QCOMPARE(r.lCustData, 0);
        QCOMPARE(r.lpfnHook, 0u);
        QCOMPARE(r.lpTemplateName, 0u);
        // The 8-bit copy is released after the call.
        QVERIFY(!platform::AnsiAt(r.lpstrFile));
        QVERIFY(!platform::AnsiAt(r.lpstrTitle));
    }

    void bufferRoundTrip() {
        ScriptedOpen dialog;
        dialog.answer = "/photos/moon.jpg";
        std::u16string got = ShowOpenDialog(form->hWnd(), u"");
        QCOMPARE(got.size(), size_t(250));
        QCOMPARE(q(rt::UpToNul(got)), QString(R"(\photos\moon.jpg)"));
        QCOMPARE(got.find_first_not_of(u'\0', 16), std::u16string::npos);

        // Multi-byte characters take more than one byte of the buffer.
        dialog.answer = "/写真/月.jpg";
        got = ShowOpenDialog(form->hWnd(), u"");
        QCOMPARE(q(rt::UpToNul(got)), QString(u8"\\写真\\月.jpg"));
        QCOMPARE(got.size(), size_t(250 - 6));  // three characters of three bytes each

        // 249 bytes and the NUL fit; 250 do not, and the call fails.
        dialog.answer = "/" + std::string(248, 'a');
        QCOMPARE(rt::UpToNul(ShowOpenDialog(form->hWnd(), u"")).size(), size_t(249));
        dialog.answer = "/" + std::string(249, 'a');
        QCOMPARE(q(ShowOpenDialog(form->hWnd(), u"")), QString());

        dialog.answer.reset();  // cancel
        QCOMPARE(q(ShowOpenDialog(form->hWnd(), u"")), QString());
    }

    void recordIsCheckedBeforeTheDialog() {
        ScriptedOpen dialog;
        dialog.answer = "/x.jpg";
        OPENFILENAMEA r{};
        r.lStructSize = 88;
        QCOMPARE(platform::GetOpenFileNameA(&r), 0);
        r.lStructSize = 76;
        r.lpstrFile = platform::AnsiAlloc(std::string(10, '\0'));
        r.nMaxFile = 250;  // larger than the buffer really is
        QCOMPARE(platform::GetOpenFileNameA(&r), 0);
        QCOMPARE(dialog.shown, 0);
        r.nMaxFile = 10;
        QCOMPARE(platform::GetOpenFileNameA(&r), 1);
        QCOMPARE(*platform::AnsiAt(r.lpstrFile), std::string("\\x.jpg\0\0\0\0", 10));
        QCOMPARE(r.nFileOffset, uint16_t(1));
        QCOMPARE(r.nFileExtension, uint16_t(3));
        platform::AnsiFree(r.lpstrFile);
    }

    void choosingAPictureShowsItAndHandsItsTextToThePane() {
        ScriptedBoxes boxes;
        ScriptedOpen dialog;
        const QString path = Picture("moon.png");
        dialog.answer = path.toStdString();
        form->Load_Click(0);
        QVERIFY(!form->Picture1.Picture().Empty());
        QCOMPARE(form->Picture1.Picture().PixelWidth(), 40);
        QCOMPARE(form->DialogPath.size(), size_t(250));
        QCOMPARE(q(rt::UpToNul(form->DialogPath)), q(W(path)));
        const auto* text = std::get_if<std::u16string>(&form->Picture1.Tag());
        QVERIFY(text && !text->empty());
        QCOMPARE(text->substr(text->size() - 2), std::u16string(u"\r\n"));
        QVERIFY(boxes.calls.empty());
    }

    void textIsCollectedFieldByField() {
        ScriptedOpen dialog;
        // A picture followed by text: what the reader makes of the whole file.
        QFile png(Picture("mixed.png"));
        png.open(QIODevice::Append);
        png.write("\r\nalpha,beta\r\n\"g, h\"\r\n");
        png.close();
        dialog.answer = png.fileName().toStdString();
        form->Load_Click(0);
        const std::u16string text = std::get<std::u16string>(form->Picture1.Tag());
        QVERIFY(text.ends_with(u"\r\nalpha\r\nbeta\r\ng, h\r\n"));
    }

    void cancelLeavesThePaneEmptySilently() {
        ScriptedBoxes boxes;
        ScriptedOpen dialog;
        form->Picture1.SetPicture(rt::LoadPicture(W(Picture("before.png"))));
        form->DialogPath = u"old";
        form->Load_Click(0);
        QVERIFY(form->Picture1.Picture().Empty());
        QCOMPARE(q(form->DialogPath), QString());
        QVERIFY(std::holds_alternative<std::monostate>(form->Picture1.Tag()));
        QVERIFY(boxes.calls.empty());
    }

    void aFileThatIsNoPictureEndsTheCommand() {
        ScriptedBoxes boxes;
        ScriptedOpen dialog;
        const QString path = File("data.zr4", "1,2,3\r\nnot a picture\r\n");
        dialog.answer = path.toStdString();
        form->Picture1.SetPicture(rt::LoadPicture(W(Picture("shown.png"))));
        form->Load_Click(0);
        QVERIFY(form->Picture1.Picture().Empty());
        QCOMPARE(q(rt::UpToNul(form->DialogPath)), q(W(path)));
        QVERIFY(std::holds_alternative<std::monostate>(form->Picture1.Tag()));
        QVERIFY(boxes.calls.empty());
    }

    void dialogThatCannotBeShownKeepsDialogPath() {
        ScriptedBoxes boxes;
        ScriptedOpen dialog;
        const QString path = Picture("kept.png");
        dialog.fail = true;
        form->DialogPath = W(path);
        form->Load_Click(0);
        // The steps after the dialog run on the previous path.
        QCOMPARE(q(form->DialogPath), q(W(path)));
        QVERIFY(!form->Picture1.Picture().Empty());
        QVERIFY(boxes.calls.empty());
    }

    void dialogPathBecomesTheNextFileName() {
        ScriptedOpen dialog;
        const QString first = Picture("first.png"), second = Picture("second.png", Qt::red);
        dialog.answer = first.toStdString();
        form->Load_Click(0);
        QCOMPARE(q(form->CommonDialog1.FileName()), QString());
        dialog.answer = second.toStdString();
        form->Load_Click(0);
        // The second run hands on the first run's path, NUL padding and all.
        QCOMPARE(q(rt::UpToNul(form->CommonDialog1.FileName())), q(W(first)));
        QCOMPARE(form->CommonDialog1.FileName().size(), size_t(250));
        QCOMPARE(qRed(rt::ImageOf(form->Picture1.Picture())->pixel(0, 0)), 255);
    }

    // A picture file that is, after a few fields, one long field: the whole command
    // takes about the text's two bytes a byte of file, measured in a child process.
    void oneLongFieldTakesAboutTwoBytesAByte() {
        ScriptedOpen dialog;
        constexpr qint64 kLong = 48 << 20;
        QFile png(Picture("long-field.png"));
        png.open(QIODevice::Append);
        const QByteArray block(1 << 20, 'x');
        for (qint64 written = 0; written < kLong; written += block.size()) png.write(block);
        png.close();
        dialog.answer = png.fileName().toStdString();
        int pipe[2];
        QCOMPARE(::pipe(pipe), 0);
        const pid_t child = fork();
        if (child == 0) {
            std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts here
            const int64_t before = ProcessStatusBytes("VmRSS");
            form->Load_Click(0);
            const auto* text = std::get_if<std::u16string>(&form->Picture1.Tag());
            const int64_t peak = text && text->size() > size_t(kLong) ? ProcessStatusBytes("VmHWM") - before : -1;
            (void)!write(pipe[1], &peak, sizeof peak);
            _exit(0);
        }
        close(pipe[1]);
        int64_t peak = -1;
        QCOMPARE(read(pipe[0], &peak, sizeof peak), ssize_t(sizeof peak));
        close(pipe[0]);
        waitpid(child, nullptr, 0);
        QVERIFY2(peak > 0, "the text was not read");
        QVERIFY2(double(peak) <= 2.5 * double(png.size()) + (16 << 20),
                 qPrintable(QString("peak %1 bytes per byte").arg(double(peak) / double(png.size()))));
    }

    // A read failing halfway ends the command, but the file is closed: the next open
    // reads its text in full.
    void failedReadClosesTheFile() {
        ScriptedBoxes boxes;
        ScriptedOpen dialog;
        QFile png(Picture("long.png"));
        png.open(QIODevice::Append);
        for (int i = 0; i < 30000; ++i) png.write("line of text\r\n");
        png.close();
        dialog.answer = png.fileName().toStdString();
        rt::testing::FailInputReadsAfter(100000);
        form->Load_Click(0);
        QVERIFY(!form->Picture1.Picture().Empty());  // the picture stays shown
        QVERIFY(std::holds_alternative<std::monostate>(form->Picture1.Tag()));
        QVERIFY(boxes.calls.empty());

        rt::testing::FailInputReadsAfter(-1);
        form->Load_Click(0);
        QVERIFY(!form->Picture1.Picture().Empty());
        const std::u16string text = std::get<std::u16string>(form->Picture1.Tag());
        QVERIFY(text.ends_with(u"line of text\r\nline of text\r\n"));
    }
};

QTEST_MAIN(OpenCommand)
#include "test_open_command.moc"
