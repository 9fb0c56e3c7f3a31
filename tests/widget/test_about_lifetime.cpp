// The program ends when its last window closes, whichever closes first, and a main
// window hidden in the notification area still counts as open.
#include <QtTest>

#include "about/about_form.h"
#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/dispatch.h"
#include "runtime/msgbox.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/tray_icon.h"
#include "runtime/testing.h"
#include "test_support.h"

class AboutLifetime : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> main;

    frmAbout& OpenAbout() {
        rt::Dispatch([&] { main->About_Click(); });
        return frmAbout::Instance();
    }
    void CloseMain(ScriptedBoxes& boxes) {
        boxes.Answer(rt::vbYes);
        rt::Dispatch([&] { main->Close_Click(0); });
    }
    static void Ok(frmAbout& about) {
        rt::Dispatch([&] { about.cmdOK_Click(); });
    }

private slots:
    void init() {
        main = ShownMainWindow();
    }
    void cleanup() {
        rt::testing::SetNotificationAreaForTests(std::nullopt);
        main.reset();
    }

    void mainFirstThenAbout() {
        ScriptedBoxes boxes;
        EndWatch end;
        frmAbout& about = OpenAbout();
        CloseMain(boxes);
        QVERIFY(!main->IsLoaded());
        QVERIFY(about.Visible());
        QCOMPARE(end.count, 0);
        Ok(about);
        QCOMPARE(end.count, 1);
    }

    void aboutFirstThenMain() {
        ScriptedBoxes boxes;
        EndWatch end;
        frmAbout& about = OpenAbout();
        Ok(about);
        QCOMPARE(end.count, 0);
        QVERIFY(main->Visible());
        CloseMain(boxes);
        QCOMPARE(end.count, 1);
    }

    void aboutClosedByItsBoxAfterMain() {
        ScriptedBoxes boxes;
        EndWatch end;
        frmAbout& about = OpenAbout();
        CloseMain(boxes);
        rt::WindowOf(about).close();
        QCOMPARE(end.count, 1);
        QCOMPARE(boxes.calls.size(), size_t(1));  // only the main window asked
    }

    void aboutClosedWhileMainIsInTheNotificationArea() {
        ScriptedBoxes boxes;
        EndWatch end;
        rt::testing::SetNotificationAreaForTests(true);
        frmAbout& about = OpenAbout();
        rt::Dispatch([&] { main->Menu_Click(0); });
        QVERIFY(!main->Visible());
        QVERIFY(about.Visible());  // the About window is not put away with it
        Ok(about);
        QCOMPARE(end.count, 0);
        QVERIFY(main->IsLoaded());
        emit rt::NotifyIconOf(main->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        QVERIFY(main->Visible());
        CloseMain(boxes);
        QCOMPARE(end.count, 1);
    }

    void iconOfAClosedMainWindowBringsNothingBack() {
        ScriptedBoxes boxes;
        EndWatch end;
        rt::testing::SetNotificationAreaForTests(true);
        frmAbout& about = OpenAbout();
        rt::Dispatch([&] { main->Menu_Click(0); });
        emit rt::NotifyIconOf(main->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        CloseMain(boxes);
        QVERIFY(!main->IsLoaded());
        // The icon stays in the notification area, but a click on it reaches no window.
        emit rt::NotifyIconOf(main->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!main->IsLoaded());
        QVERIFY(!main->Visible());
        QCOMPARE(end.count, 0);
        Ok(about);
        QCOMPARE(end.count, 1);
    }

    void aboutReopenedAfterMainClosedKeepsTheProgram() {
        ScriptedBoxes boxes;
        EndWatch end;
        frmAbout& about = OpenAbout();
        Ok(about);
        OpenAbout();
        CloseMain(boxes);
        QCOMPARE(end.count, 0);
        Ok(about);
        QCOMPARE(end.count, 1);
    }
};

QTEST_MAIN(AboutLifetime)
#include "test_about_lifetime.moc"
