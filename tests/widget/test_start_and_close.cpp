// Start-up with one copy only, and closing the main window with its question.
#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/dispatch.h"
#include "runtime/msgbox.h"
#include "runtime/picture.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/testing.h"
#include "test_support.h"

namespace {
const QString kQuestion = QString::fromUtf8("Do you want to Close and Quit Orvenna？");
}

class StartAndClose : public QObject {
    Q_OBJECT

    // A started main window holding a picture, a name and some state.
    std::unique_ptr<Form1> Started() {
        auto form = std::make_unique<Form1>();
        rt::Load(*form);
        form->Show();
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::blue);
        form->Picture1.SetPicture(rt::PictureFromImage(image));
        form->Text1.SetText(u"moon.jpg");
        form->DropName = u"moon.jpg";
        form->DropExt = u"jpg";
        return form;
    }

private slots:
    void init() { rt::testing::SetPrevInstance(false); }

    void secondCopyShowsOnlyTheWarningAndEnds() {
        ScriptedBoxes boxes;
        EndWatch end;
        rt::testing::SetPrevInstance(true);
        Form1 form;
        rt::Dispatch([&] { rt::Load(form); });
        QCOMPARE(boxes.calls.size(), size_t(1));
        QCOMPARE(boxes.calls[0].prompt, QString("This apllication already has been running now."));
        QCOMPARE(boxes.calls[0].style, 48);
        QCOMPARE(boxes.calls[0].title, QString());
        QCOMPARE(end.count, 1);
        // Nothing after the refusal ran: no tooltips, the pane at its design place.
        QVERIFY(form.Picture1.ToolTipText().empty());
        QCOMPARE(rt::WidgetOf(form.Picture1)->pos(), QPoint(16, 40));
        QVERIFY(!form.Visible());
    }

    void firstCopyStartsWithoutABox() {
        ScriptedBoxes boxes;
        Form1 form;
        rt::Load(form);
        QVERIFY(boxes.calls.empty());
        QVERIFY(form.Picture1.AutoSize());
        QCOMPARE(form.Picture1.OLEDropMode(), 1);
        QCOMPARE(rt::WidgetOf(form.Picture1)->pos(), QPoint(16, 34));
    }

    void noKeepsEverything_data() {
        QTest::addColumn<int>("cause");
        QTest::newRow("close command") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("session end") << 2;
    }
    void noKeepsEverything() {
        QFETCH(int, cause);
        ScriptedBoxes boxes;
        EndWatch end;
        auto form = Started();
        boxes.Answer(rt::vbNo);
        if (cause == 0) rt::Dispatch([&] { form->Close_Click(0); });
        if (cause == 1) rt::WindowOf(*form).close();
        if (cause == 2) rt::UnloadFor(*form, rt::vbAppWindows);
        QCOMPARE(boxes.calls.size(), size_t(1));
        QCOMPARE(boxes.calls[0].prompt, kQuestion);
        QCOMPARE(boxes.calls[0].title, QString("Close Orvenna"));
        QCOMPARE(boxes.calls[0].style, 0x10034);
        QVERIFY(form->IsLoaded());
        QVERIFY(form->Visible());
        QVERIFY(!form->Picture1.Picture().Empty());
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        QCOMPARE(form->DropName, std::u16string(u"moon.jpg"));
        QCOMPARE(end.count, 0);
    }

    void yesClosesAndEndsTheProgram_data() { noKeepsEverything_data(); }
    void yesClosesAndEndsTheProgram() {
        QFETCH(int, cause);
        ScriptedBoxes boxes;
        EndWatch end;
        auto form = Started();
        boxes.Answer(rt::vbYes);
        if (cause == 0) rt::Dispatch([&] { form->Close_Click(0); });
        if (cause == 1) rt::WindowOf(*form).close();
        if (cause == 2) rt::UnloadFor(*form, rt::vbAppWindows);
        QCOMPARE(boxes.calls.size(), size_t(1));  // asked once, although the answer requests the close again
        QVERIFY(!form->IsLoaded());
        QVERIFY(!form->Visible());
        QCOMPARE(end.count, 1);
    }

    void hiddenWindowIsAskedAndStaysHiddenOnNo() {
        ScriptedBoxes boxes;
        EndWatch end;
        auto form = Started();
        form->SetVisible(false);
        boxes.Answer(rt::vbNo);
        rt::UnloadFor(*form, rt::vbAppWindows);
        QCOMPARE(boxes.calls.size(), size_t(1));
        QVERIFY(boxes.calls[0].style & rt::vbMsgBoxSetForeground);
        QVERIFY(form->IsLoaded());
        QVERIFY(!form->Visible());
    }

    void secondCopyClosesWithoutAsking() {
        ScriptedBoxes boxes;
        EndWatch end;
        auto form = Started();
        rt::testing::SetPrevInstance(true);
        rt::Dispatch([&] { form->Close_Click(0); });
        QVERIFY(boxes.calls.empty());
        QVERIFY(!form->IsLoaded());
        QCOMPARE(end.count, 1);
    }

    void closeBoxDuringAHandlerWaitsForIt() {
        ScriptedBoxes boxes;
        EndWatch end;
        auto form = Started();
        // The close box is pressed while another command's box is open.
        boxes.onShow = [&](const BoxCall& call) {
            if (call.title == "busy") rt::WindowOf(*form).close();
        };
        boxes.Answer(rt::vbOK);
        boxes.Answer(rt::vbNo);
        rt::Dispatch([&] { rt::MsgBox(u"working", rt::vbOKOnly, u"busy"); });
        QCOMPARE(boxes.calls.size(), size_t(2));
        QCOMPARE(boxes.calls[1].prompt, kQuestion);
        QVERIFY(form->IsLoaded());
    }

    void realQuestionBoxAnswersNo() {
        // The real box: warning icon, Yes and No, in front of everything.
        EndWatch end;
        auto form = Started();
        QString text, title;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            text = box->text();
            title = box->windowTitle();
            QCOMPARE(box->icon(), QMessageBox::Warning);
            QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            box->button(QMessageBox::No)->click();
        });
        rt::Dispatch([&] { form->Close_Click(0); });
        QCOMPARE(text, kQuestion);
        QCOMPARE(title, QString("Close Orvenna"));
        QVERIFY(form->IsLoaded());
    }
};

QTEST_MAIN(StartAndClose)
#include "test_start_and_close.moc"
