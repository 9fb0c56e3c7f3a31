#include "runtime/program.h"

#include "runtime/backend.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"

namespace rt {

int Program::Run(Form& startup) {
    Dispatch([&startup] { Load(startup); });
    if (Ended()) return 0;
    startup.Show();
    return backend::RunEventLoop();
}

}  // namespace rt
