// The Windows program's entry point: claim the one-copy rule, make the main window, run.
#include <windows.h>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    rt::App().ClaimSingleInstance();
    Form1 form;
    return rt::RunProgram(form);
}
