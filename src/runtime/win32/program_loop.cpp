// Running the program on Windows: load the start-up form, show it, and take messages
// until the last form is unloaded or End is called.
#include "runtime/program.h"

#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/win32/backend.h"
#include "runtime/win32/form_events.h"

namespace rt {

void ReleaseAllAtExit();

int RunProgram(Form& startup) {
    Dispatch([&startup] { Load(startup); });
    int code = 0;
    if (!Ended()) {
        startup.Show();
        MSG msg{};
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (win32::TranslateFormMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        code = int(msg.wParam);
    }
    ReleaseAllAtExit();
    return code;
}

}  // namespace rt
