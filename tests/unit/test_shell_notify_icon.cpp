// The notification-area call: the record's layout, what an add makes of it, and how
// the icon's mouse events reach the window.
#include <QtTest>
#include <cstddef>
#include <cstring>

#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/icons.h"
#include "platform/shell_notify_icon.h"
#include "runtime/qt/tray_icon.h"
#include "runtime/testing.h"
#include "test_support.h"

namespace {

struct Event {
    int16_t button, shift;
    float x, y;
};

// A window that records its mouse-move events.
class Watched : public rt::Form {
public:
    // Loaded: only a loaded window receives the icon's events.
    Watched() : rt::Form(Design()) { rt::Load(*this); }
    void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) override {
        events.push_back({Button, Shift, X, Y});
    }
    std::vector<Event> events;

private:
    static rt::FormDesign Design() {
        rt::FormDesign d;
        d.name = "Watched";
        d.caption = u"Watched";
        d.clientWidthTwips = 3000;
        d.clientHeightTwips = 2000;
        return d;
    }
};

platform::NOTIFYICONDATAA Record(int32_t hWnd, uint32_t id, const char* tip, size_t tipBytes) {
    platform::NOTIFYICONDATAA r;
    std::memset(&r, 0, sizeof r);
    r.cbSize = 88;
    r.hWnd = hWnd;
    r.uID = id;
    r.uFlags = platform::NIF_MESSAGE | platform::NIF_ICON | platform::NIF_TIP;
    r.uCallbackMessage = platform::WM_MOUSEMOVE;
    r.hIcon = rt::ProgramIconHandle();
    std::memcpy(r.szTip, tip, tipBytes);
    return r;
}

}  // namespace

class ShellNotifyIcon : public QObject {
    Q_OBJECT
private slots:
    void init() { rt::testing::SetNotificationAreaForTests(true); }
    void cleanup() { rt::testing::SetNotificationAreaForTests(std::nullopt); }

    void recordHasTheClassicLayout() {
        QCOMPARE(sizeof(platform::NOTIFYICONDATAA), size_t(88));
        QCOMPARE(offsetof(platform::NOTIFYICONDATAA, hWnd), size_t(4));
        QCOMPARE(offsetof(platform::NOTIFYICONDATAA, uID), size_t(8));
        QCOMPARE(offsetof(platform::NOTIFYICONDATAA, uFlags), size_t(12));
        QCOMPARE(offsetof(platform::NOTIFYICONDATAA, uCallbackMessage), size_t(16));
        QCOMPARE(offsetof(platform::NOTIFYICONDATAA, hIcon), size_t(20));
        QCOMPARE(offsetof(platform::NOTIFYICONDATAA, szTip), size_t(24));
    }

    void programIconHasTheIconFilesPixels() {
        const QImage file = QImage(ORVENNA_ICON_FILE).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!file.isNull());
        QCOMPARE(rt::ProgramIcon().pixmap(file.size()).toImage().convertToFormat(QImage::Format_ARGB32), file);
    }

    void addShowsTheIconWithTheTipUpToTheNul() {
        Watched form;
        char tip[64];
        std::memset(tip, ' ', sizeof tip);
        std::memcpy(tip, "Moon\0later", 10);
        auto r = Record(form.hWnd(), 3, tip, sizeof tip);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        QSystemTrayIcon* icon = rt::NotifyIconOf(form.hWnd(), 3);
        QVERIFY(icon);
        QVERIFY(icon->isVisible());
        QCOMPARE(icon->toolTip(), QString("Moon"));
        QCOMPARE(icon->icon().cacheKey(), rt::ProgramIcon().cacheKey());
        QVERIFY(platform::NotifyIconExists(form.hWnd(), 3));
        QVERIFY(!platform::NotifyIconExists(form.hWnd(), 0));
    }

    void tipWithoutNulTakesAll64Bytes() {
        Watched form;
        char tip[64];
        std::memset(tip, 'x', sizeof tip);
        auto r = Record(form.hWnd(), 0, tip, sizeof tip);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        QCOMPARE(rt::NotifyIconOf(form.hWnd(), 0)->toolTip(), QString(64, 'x'));
    }

    void eightBitTipIsReadInTheLocaleEncoding() {
        Watched form;
        const char tip[] = "\xe6\x9c\x88 Moon";  // UTF-8 here
        auto r = Record(form.hWnd(), 0, tip, sizeof tip);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        QCOMPARE(rt::NotifyIconOf(form.hWnd(), 0)->toolTip(), QString::fromUtf8("月 Moon"));
    }

    void secondAddForTheSameIconFailsAndKeepsTheFirst() {
        Watched form;
        auto first = Record(form.hWnd(), 0, "One", 4);
        auto second = Record(form.hWnd(), 0, "Two", 4);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &first), 1);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &second), 0);
        QCOMPARE(rt::WindowOf(form).findChildren<QSystemTrayIcon*>().size(), 1);
        QCOMPARE(rt::NotifyIconOf(form.hWnd(), 0)->toolTip(), QString("One"));
        // Another id of the same window is another icon.
        auto other = Record(form.hWnd(), 1, "Two", 4);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &other), 1);
        QCOMPARE(rt::WindowOf(form).findChildren<QSystemTrayIcon*>().size(), 2);
    }

    void refusedAdds() {
        Watched form;
        auto r = Record(form.hWnd(), 0, "Tip", 4);

        rt::testing::SetNotificationAreaForTests(false);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 0);
        QVERIFY(!platform::NotifyIconExists(form.hWnd(), 0));
        rt::testing::SetNotificationAreaForTests(true);

        auto unknownWindow = Record(0x7ff0, 0, "Tip", 4);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &unknownWindow), 0);
        auto unknownIcon = r;
        unknownIcon.hIcon = 0x1234;
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &unknownIcon), 0);
        auto noIconFlag = r;
        noIconFlag.uFlags = platform::NIF_MESSAGE | platform::NIF_TIP;
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &noIconFlag), 0);
        auto wrongSize = r;
        wrongSize.cbSize = 504;
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &wrongSize), 0);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, nullptr), 0);
        QVERIFY(!platform::NotifyIconExists(form.hWnd(), 0));

        // Only adding is served: a change or removal leaves the icon as it is.
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_DELETE, &r), 0);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_MODIFY, &r), 0);
        QVERIFY(platform::NotifyIconExists(form.hWnd(), 0));
        QVERIFY(rt::NotifyIconOf(form.hWnd(), 0)->isVisible());
    }

    void buttonMapping() {
        QCOMPARE(rt::ButtonOfActivation(QSystemTrayIcon::Trigger), int16_t(1));
        QCOMPARE(rt::ButtonOfActivation(QSystemTrayIcon::DoubleClick), int16_t(1));
        QCOMPARE(rt::ButtonOfActivation(QSystemTrayIcon::Context), int16_t(2));
        QCOMPARE(rt::ButtonOfActivation(QSystemTrayIcon::MiddleClick), int16_t(4));
        QCOMPARE(rt::ButtonOfActivation(QSystemTrayIcon::Unknown), int16_t(0));
    }

    void iconEventsReachTheWindowAsMouseMoves() {
        Watched form;
        auto r = Record(form.hWnd(), 0, "Tip", 4);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        QSystemTrayIcon* icon = rt::NotifyIconOf(form.hWnd(), 0);
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::Context);
        emit icon->activated(QSystemTrayIcon::MiddleClick);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(form.events.size(), size_t(4));
        const int16_t buttons[] = {1, 2, 4, 1};
        const float messages[] = {0x201, 0x204, 0x207, 0x203};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(form.events[i].button, buttons[i]);
            QCOMPARE(form.events[i].shift, int16_t(0));
            QCOMPARE(form.events[i].x, messages[i]);
        }
    }

    void iconEventsWaitForTheRunningHandler() {
        Watched form;
        auto r = Record(form.hWnd(), 0, "Tip", 4);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        QSystemTrayIcon* icon = rt::NotifyIconOf(form.hWnd(), 0);
        size_t seenInside = 99;
        rt::Dispatch([&] {
            emit icon->activated(QSystemTrayIcon::Trigger);
            seenInside = form.events.size();
        });
        QCOMPARE(seenInside, size_t(0));
        QCOMPARE(form.events.size(), size_t(1));
    }

    void withoutCallbackFlagNothingIsReported() {
        Watched form;
        auto r = Record(form.hWnd(), 0, "Tip", 4);
        r.uFlags = platform::NIF_ICON | platform::NIF_TIP;
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        emit rt::NotifyIconOf(form.hWnd(), 0)->activated(QSystemTrayIcon::Trigger);
        QVERIFY(form.events.empty());
        QVERIFY(rt::NotifyIconOf(form.hWnd(), 0)->toolTip() == "Tip");
    }

    void iconGoesWithItsWindow() {
        int32_t handle = 0;
        {
            Watched form;
            handle = form.hWnd();
            auto r = Record(handle, 0, "Tip", 4);
            QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
        }
        QVERIFY(!platform::NotifyIconExists(handle, 0));
        // A new window that gets the same handle starts without an icon.
        Watched next;
        QCOMPARE(next.hWnd(), handle);
        auto r = Record(handle, 0, "Tip", 4);
        QCOMPARE(platform::Shell_NotifyIconA(platform::NIM_ADD, &r), 1);
    }
};

QTEST_MAIN(ShellNotifyIcon)
#include "test_shell_notify_icon.moc"
