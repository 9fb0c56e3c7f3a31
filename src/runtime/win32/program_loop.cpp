// Running the program on Windows: messages are taken until the last form is unloaded or
// End is called; menu shortcuts and dialog keys are applied before a control sees a key.
#include "runtime/backend.h"
#include "runtime/program.h"
#include "runtime/win32/form_events.h"
#include "runtime/win32/peers.h"

namespace rt {

void ReleaseAllAtExit();

struct Program::Host {};

Program::Program(int& argc, char** argv, ProgramInfo info) : host_(std::make_unique<Host>()) {
    (void)argc, (void)argv;  // the program takes no command line
    win32::RegisterClasses();
    App().Introduce(std::move(info));
}

Program::~Program() { ReleaseAllAtExit(); }

namespace backend {

int RunEventLoop() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (win32::TranslateFormMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}

void QuitEventLoop() { PostQuitMessage(0); }

}  // namespace backend
}  // namespace rt
