// The Windows program's entry point (wide-character, no console): the same start as main.cpp.
#include <windows.h>

#include "app/form1.h"
#include "app/product.h"
#include "runtime/application.h"
#include "runtime/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    char* argv[] = {nullptr};
    rt::Program program(argc, argv, product::Info());
    rt::App().ClaimSingleInstance();
    Form1 form;
    return program.Run(form);
}
