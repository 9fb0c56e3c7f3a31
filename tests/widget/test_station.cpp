// The station: the main window goes behind one notification-area icon and comes back
// with the left button; without a notification area it stays and says so.
#include <QMouseEvent>
#include <QtTest>
#include <cstring>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/dispatch.h"
#include "runtime/msgbox.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/icons.h"
#include "platform/shell_notify_icon.h"
#include "runtime/qt/tray_icon.h"
#include "runtime/testing.h"
#include "test_support.h"

namespace {

struct Sent {
    uint32_t message;
    platform::NOTIFYICONDATAA data;
};

}  // namespace

class Station : public QObject {
    Q_OBJECT
    std::vector<Sent> sent;

    std::unique_ptr<Form1> Shown() {
        auto form = std::make_unique<Form1>();
        rt::Load(*form);
        form->Show();
        return form;
    }

    void Station_(Form1& form) {
        rt::Dispatch([&] { form.Menu_Click(0); });
    }

private slots:
    void init() {
        rt::testing::SetPrevInstance(false);
        rt::testing::SetNotificationAreaForTests(true);
        sent.clear();
        rt::testing::SetNotifyIconObserver([this](uint32_t message, const platform::NOTIFYICONDATAA& data) {
            sent.push_back({message, data});
        });
    }
    void cleanup() {
        rt::testing::SetNotifyIconObserver({});
        rt::testing::SetNotificationAreaForTests(std::nullopt);
    }

    void recordIsTheAddOfIconZeroWithTheTip() {
        ScriptedBoxes boxes;
        auto form = Shown();
        Station_(*form);
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(sent[0].message, uint32_t(0));
        const platform::NOTIFYICONDATAA& r = sent[0].data;
        QCOMPARE(r.cbSize, uint32_t(88));
        QCOMPARE(r.hWnd, form->hWnd());
        QCOMPARE(r.uID, uint32_t(0));
        QCOMPARE(r.uFlags, uint32_t(7));
        QCOMPARE(r.uCallbackMessage, uint32_t(512));
        QCOMPARE(r.hIcon, form->Icon());
        char tip[64];
        std::memset(tip, ' ', sizeof tip);
        std::memcpy(tip, "Orvenna\0", 8);
        QCOMPARE(QByteArray(r.szTip, 64), QByteArray(tip, 64));
        QVERIFY(boxes.calls.empty());
    }

    void stationHidesBehindOneIcon() {
        ScriptedBoxes boxes;
        auto form = Shown();
        Station_(*form);
        QVERIFY(!form->Visible());
        QVERIFY(form->IsLoaded());
        QSystemTrayIcon* icon = rt::NotifyIconOf(form->hWnd(), 0);
        QVERIFY(icon);
        QVERIFY(icon->isVisible());
        QCOMPARE(icon->toolTip(), QString("Orvenna"));
        QCOMPARE(icon->icon().cacheKey(), rt::ProgramIcon().cacheKey());
    }

    void onlyTheLeftButtonBringsItBack_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("shown");
        QTest::newRow("none") << 0 << false;
        QTest::newRow("left") << 1 << true;
        QTest::newRow("right") << 2 << false;
        QTest::newRow("left and right") << 3 << false;
        QTest::newRow("middle") << 4 << false;
        QTest::newRow("left and middle") << 5 << false;
    }
    void onlyTheLeftButtonBringsItBack() {
        QFETCH(int, button);
        QFETCH(bool, shown);
        ScriptedBoxes boxes;
        auto form = Shown();
        const QPoint where = rt::WindowOf(*form).pos();
        Station_(*form);
        rt::Dispatch([&] { form->Form_MouseMove(int16_t(button), 0, 0x201, 0); });
        QCOMPARE(form->Visible(), shown);
        if (shown) QCOMPARE(rt::WindowOf(*form).pos(), where);
    }

    void iconClicksReachTheWindow_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("shown");
        QTest::newRow("left click") << int(QSystemTrayIcon::Trigger) << true;
        QTest::newRow("left double click") << int(QSystemTrayIcon::DoubleClick) << true;
        QTest::newRow("right click") << int(QSystemTrayIcon::Context) << false;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
    }
    void iconClicksReachTheWindow() {
        QFETCH(int, reason);
        QFETCH(bool, shown);
        ScriptedBoxes boxes;
        auto form = Shown();
        Station_(*form);
        QSystemTrayIcon* icon = rt::NotifyIconOf(form->hWnd(), 0);
        emit icon->activated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(form->Visible(), shown);
        // The icon stays, also once the window is back.
        QVERIFY(rt::NotifyIconOf(form->hWnd(), 0) == icon);
        QVERIFY(icon->isVisible());
    }

    void stationAgainHidesWithoutASecondIcon() {
        ScriptedBoxes boxes;
        auto form = Shown();
        Station_(*form);
        emit rt::NotifyIconOf(form->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        QVERIFY(form->Visible());
        Station_(*form);
        QVERIFY(!form->Visible());
        QCOMPARE(sent.size(), size_t(2));  // the add is sent again
        QCOMPARE(sent[1].message, uint32_t(0));
        QCOMPARE(sent[1].data.uID, uint32_t(0));
        QCOMPARE(rt::WindowOf(*form).findChildren<QSystemTrayIcon*>().size(), 1);
        QVERIFY(boxes.calls.empty());
        // Icon events while the window is shown change nothing.
        emit rt::NotifyIconOf(form->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        emit rt::NotifyIconOf(form->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        QVERIFY(form->Visible());
    }

    void withoutANotificationAreaTheWindowStaysAndSaysSo() {
        ScriptedBoxes boxes;
        auto form = Shown();
        rt::testing::SetNotificationAreaForTests(false);
        Station_(*form);
        QVERIFY(form->Visible());
        QVERIFY(!platform::NotifyIconExists(form->hWnd(), 0));
        QCOMPARE(boxes.calls.size(), size_t(1));
        QCOMPARE(boxes.calls[0].style, 48);
        QCOMPARE(boxes.calls[0].title, QString("Orvenna"));
        QVERIFY(boxes.calls[0].prompt.contains("notification area is not available"));
        QCOMPARE(sent.size(), size_t(1));  // the add was still tried
    }

    void areaGoneAfterTheIconWasAddedStillKeepsTheWindow() {
        ScriptedBoxes boxes;
        auto form = Shown();
        Station_(*form);
        emit rt::NotifyIconOf(form->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        rt::testing::SetNotificationAreaForTests(false);  // the tray host went away
        Station_(*form);
        QVERIFY(form->Visible());
        QCOMPARE(boxes.calls.size(), size_t(1));
    }

    void leftDragOverTheWindowChangesNothing() {
        ScriptedBoxes boxes;
        auto form = Shown();
        QWidget* client = rt::ClientOf(*form);
        const QRect before = rt::WindowOf(*form).geometry();
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), client->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(client, &move);
        QVERIFY(form->Visible());
        QCOMPARE(rt::WindowOf(*form).geometry(), before);
        QVERIFY(sent.empty());
    }

    void iconOutlivesTheClosedMainWindow() {
        ScriptedBoxes boxes;
        EndWatch end;
        auto form = Shown();
        Station_(*form);
        emit rt::NotifyIconOf(form->hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        boxes.Answer(rt::vbYes);
        rt::Dispatch([&] { form->Close_Click(0); });
        QCOMPARE(end.count, 1);
        QVERIFY(platform::NotifyIconExists(form->hWnd(), 0));  // the program does not remove it
    }
};

QTEST_MAIN(Station)
#include "test_station.moc"
