#include "app/form1.h"
#include "app/product.h"
#include "runtime/application.h"
#include "runtime/program.h"

int main(int argc, char* argv[]) {
    rt::Program program(argc, argv, product::Info());
    rt::App().ClaimSingleInstance();
    Form1 form;
    return program.Run(form);
}
