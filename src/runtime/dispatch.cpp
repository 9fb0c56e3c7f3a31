#include "runtime/dispatch.h"

#include <deque>
#include <new>

#include "runtime/application.h"
#include "runtime/backend.h"
#include "runtime/errors.h"
#include "runtime/msgbox.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace rt {

namespace {

bool running = false;
bool ended = false;
std::deque<std::function<void()>> waiting;

void Report(int number, const std::u16string& description) {
    MsgBox(RuntimeErrorMessage(number, description), vbExclamation, App().Title());
}

void RunOne(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const RuntimeError& e) {
        Report(e.Number(), e.Description());
    } catch (const EndRequested&) {
        StopProgram();
    } catch (const std::bad_alloc&) {
        Report(ErrOutOfMemory, ErrorText(ErrOutOfMemory));
    } catch (const std::exception& e) {
        Report(0, FromUtf8(e.what()));
    }
}

}  // namespace

void Dispatch(std::function<void()> handler) {
    if (ended) return;
    if (running) {
        waiting.push_back(std::move(handler));
        return;
    }
    running = true;
    RunOne(handler);
    while (!waiting.empty() && !ended) {
        auto next = std::move(waiting.front());
        waiting.pop_front();
        RunOne(next);
    }
    waiting.clear();
    running = false;
}

bool HandlerRunning() { return running; }

std::u16string RuntimeErrorMessage(int number, const std::u16string& description) {
    return u"Run-time error '" + Str(number) + u"':\r\n\r\n" + description;
}

void End() { throw EndRequested{}; }

bool Ended() { return ended; }

void StopProgram() {
    ended = true;
    if (const auto& endAction = testing::Hooks().endAction) {
        endAction();
        return;
    }
    backend::QuitEventLoop();
}

namespace testing {

void SetEndAction(std::function<void()> action) {
    Hooks().endAction = std::move(action);
    ended = false;
}

}  // namespace testing

}  // namespace rt
