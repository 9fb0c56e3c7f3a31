// The window stays painted while a command works: an opened picture is on the screen
// before its file is read as text, and a save repaints the window, with the busy
// pointer up, before the picture is written.
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "runtime/common_dialog.h"
#include "runtime/dispatch.h"
#include "runtime/file_input.h"
#include "runtime/picture.h"
#include "runtime/qt/peers.h"
#include "runtime/testing.h"
#include "runtime/strings.h"
#include "platform/get_open_file_name.h"
#include "test_support.h"

namespace {

// Calls see() on every paint of the widget, while the paint happens.
class OnPaint : public QObject {
public:
    OnPaint(QWidget* widget, std::function<void()> see) : see_(std::move(see)) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) see_();
        return false;
    }

private:
    std::function<void()> see_;
};

}  // namespace

class PaintDuringCommands : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString Picture(const QString& name, const QByteArray& textAfter = {}) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::green);
        const QString path = dir.filePath(name);
        image.save(path);
        QFile file(path);
        file.open(QIODevice::Append);
        file.write(textAfter);
        return path;
    }

private slots:
    void cleanup() {
        rt::testing::SetOpenDialogHandler({});
        rt::testing::SetSaveDialogHandler({});
        rt::testing::LimitInputText(-1);
        rt::Reset();
    }

    void openedPictureIsPaintedBeforeItsTextIsRead() {
        auto form = ShownMainWindow();
        ScriptedBoxes boxes;
        const std::string path = Picture("moon.png", QByteArray(300000, 'x')).toStdString();
        rt::testing::SetOpenDialogHandler([&](const platform::OPENFILENAMEA&) { return std::optional(path); });
        bool paintedBeforeText = false;
        OnPaint watch(rt::WidgetOf(form->Picture1), [&] {
            if (!form->Picture1.Picture().Empty() && std::holds_alternative<std::monostate>(form->Picture1.Tag()))
                paintedBeforeText = true;
        });
        rt::Dispatch([&] { form->Load_Click(0); });
        QVERIFY(paintedBeforeText);
        QVERIFY(std::holds_alternative<std::u16string>(form->Picture1.Tag()));
        QVERIFY(boxes.calls.empty());
    }

    // Text past the memory bound ends the command without a word; the picture stays.
    void textPastTheBoundEndsTheOpenSilently() {
        auto form = ShownMainWindow();
        ScriptedBoxes boxes;
        const std::string path = Picture("big.png", QByteArray(300000, 'x')).toStdString();
        rt::testing::SetOpenDialogHandler([&](const platform::OPENFILENAMEA&) { return std::optional(path); });
        rt::testing::LimitInputText(400000);
        rt::Dispatch([&] { form->Load_Click(0); });
        QVERIFY(boxes.calls.empty());
        QVERIFY(!form->Picture1.Picture().Empty());
        QVERIFY(std::holds_alternative<std::monostate>(form->Picture1.Tag()));
        // Within the bound the same file is read in full, and file 8 was closed.
        rt::testing::LimitInputText(700000);
        rt::Dispatch([&] { form->Load_Click(0); });
        QVERIFY(std::get<std::u16string>(form->Picture1.Tag()).ends_with(std::u16string(300000, u'x') + u"\r\n"));
    }

    void saveRepaintsTheWindowUnderTheBusyPointerBeforeWriting() {
        auto form = ShownMainWindow();
        ScriptedBoxes boxes;
        const QString target = dir.filePath("out.gif");
        rt::testing::SetSaveDialogHandler([&](const rt::SaveDialogRequest&) { return std::optional(target.toStdString()); });
        form->Picture1.SetPicture(rt::LoadPicture(rt::WindowsPath(Picture("in.png").toStdString())));
        int busyPaintsBeforeWrite = 0;
        OnPaint watch(&rt::WindowOf(*form), [&] {
            const QCursor* pointer = QGuiApplication::overrideCursor();
            if (pointer && pointer->shape() == Qt::WaitCursor && !QFileInfo::exists(target)) ++busyPaintsBeforeWrite;
        });
        rt::Dispatch([&] { form->Save_Click(0); });
        QVERIFY(busyPaintsBeforeWrite > 0);
        QVERIFY(QFileInfo(target).size() > 0);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(boxes.calls.size(), size_t(1));
    }
};

QTEST_MAIN(PaintDuringCommands)
#include "test_paint_during_commands.moc"
