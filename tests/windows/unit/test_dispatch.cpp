// One event at a time, errors reported and the program going on, End unwinding.
#include "runtime/errors.h"
#include "support.h"

TEST_CASE("an event that arrives while a handler waits in a box runs after it") {
    std::vector<std::string> order;
    ScriptedBoxes boxes;
    rt::testing::SetMsgBoxHandler([&](const std::u16string&, int, const std::u16string&) {
        // The box is open: another event comes in and must wait.
        rt::Dispatch([&] { order.push_back("second"); });
        order.push_back("box closed");
        return int(rt::vbOK);
    });
    rt::Dispatch([&] {
        order.push_back("first");
        rt::MsgBox(u"wait", rt::vbOKOnly, u"");
        order.push_back("first ends");
    });
    CHECK(order == std::vector<std::string>{"first", "box closed", "first ends", "second"});
    CHECK_FALSE(rt::HandlerRunning());
}

TEST_CASE("an untrapped error ends the handler, is reported, and the next event runs") {
    ScriptedBoxes boxes;
    bool after = false, next = false;
    rt::Dispatch([&] {
        rt::Raise(rt::ErrFileNotFound, u"C:\\moon.jpg");
        after = true;
    });
    rt::Dispatch([&] { next = true; });
    CHECK_FALSE(after);
    CHECK(next);
    REQUIRE(boxes.shown.size() == 1);
    CHECK(boxes.shown[0].prompt == u"Run-time error '53':\r\n\r\nFile not found: C:\\moon.jpg");
    CHECK(boxes.shown[0].title == u"Orvenna");
    CHECK(boxes.shown[0].style == rt::vbExclamation);
}

TEST_CASE("End unwinds the handler and stops taking events") {
    ScriptedBoxes boxes;
    int ended = 0;
    rt::testing::SetEndAction([&] { ++ended; });
    bool after = false, later = false;
    rt::Dispatch([&] {
        rt::Dispatch([&] { later = true; });  // queued behind the running handler
        rt::End();
        after = true;
    });
    CHECK(ended == 1);
    CHECK_FALSE(after);
    CHECK_FALSE(later);
    CHECK(rt::Ended());
    rt::testing::SetEndAction([] {});  // a fresh start for the next tests
}
