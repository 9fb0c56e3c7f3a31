// Event handling rules: one handler at a time, untrapped errors reported with the
// program going on, End unwinding the handler and stopping the program.
#include <QtTest>
#include <new>

#include "runtime/dispatch.h"
#include "runtime/errors.h"
#include "runtime/msgbox.h"
#include "test_support.h"

class RuntimeDispatch : public QObject {
    Q_OBJECT
private slots:
    void eventDuringAHandlerWaitsForItsEnd() {
        ScriptedBoxes boxes;
        QStringList order;
        // While the first handler's box is open, a second event arrives.
        boxes.onShow = [&](const BoxCall&) {
            rt::Dispatch([&] { order << "second"; });
            order << "box closed";
        };
        rt::Dispatch([&] {
            order << "first starts";
            rt::MsgBox(u"hold", rt::vbOKOnly, u"t");
            order << "first ends";
        });
        QCOMPARE(order, QStringList({"first starts", "box closed", "first ends", "second"}));
        QVERIFY(!rt::HandlerRunning());
    }

    void queuedEventsKeepTheirOrder() {
        QStringList order;
        rt::Dispatch([&] {
            rt::Dispatch([&] { order << "b"; });
            rt::Dispatch([&] {
                order << "c";
                rt::Dispatch([&] { order << "d"; });
            });
            order << "a";
        });
        QCOMPARE(order, QStringList({"a", "b", "c", "d"}));
    }

    void untrappedErrorEndsHandlerAndIsReported() {
        ScriptedBoxes boxes;
        bool after = false;
        rt::Dispatch([&] {
            rt::Raise(rt::ErrFileNotFound, u"\\tmp\\gone.jpg (no such file)");
            after = true;
        });
        QVERIFY(!after);
        QCOMPARE(boxes.calls.size(), size_t(1));
        QCOMPARE(boxes.calls[0].title, QString("Orvenna"));
        QCOMPARE(boxes.calls[0].style, int(rt::vbExclamation));
        QCOMPARE(boxes.calls[0].prompt,
                 QString("Run-time error '53':\r\n\r\nFile not found: \\tmp\\gone.jpg (no such file)"));
        // The program goes on: the next event is handled.
        bool next = false;
        rt::Dispatch([&] { next = true; });
        QVERIFY(next);
    }

    void otherFailuresAreReportedToo() {
        ScriptedBoxes boxes;
        rt::Dispatch([] { throw std::bad_alloc(); });
        rt::Dispatch([] { throw std::runtime_error("broken"); });
        QCOMPARE(boxes.calls.size(), size_t(2));
        QCOMPARE(boxes.calls[0].prompt, QString("Run-time error '7':\r\n\r\nOut of memory"));
        QVERIFY(boxes.calls[1].prompt.endsWith("broken"));
    }

    void errorTableHasPlainReasons() {
        QCOMPARE(q(rt::ErrorText(rt::ErrOverflow)), QString("Overflow"));
        QCOMPARE(q(rt::RuntimeError(rt::ErrOverflow).Description()), QString("Overflow"));
        QCOMPARE(q(rt::RuntimeError(rt::ErrPathNotFound, u"x").Description()), QString("Path not found: x"));
        QVERIFY(!rt::ErrorText(999999).empty());
    }

    void endStopsTheHandlerAndLaterEvents() {
        EndWatch end;
        bool after = false, later = false;
        rt::Dispatch([&] {
            rt::End();
            after = true;
        });
        QVERIFY(!after);
        QCOMPARE(end.count, 1);
        QVERIFY(rt::Ended());
        rt::Dispatch([&] { later = true; });
        QVERIFY(!later);
    }
};

QTEST_GUILESS_MAIN(RuntimeDispatch)
#include "test_runtime_dispatch.moc"
