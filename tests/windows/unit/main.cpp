// The Windows program's unit tests, run under Wine. The application object is told who
// the program is, as the program's own start does.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include "app/product.h"

int main(int argc, char** argv) {
    rt::App().Introduce(product::Info());
    return doctest::Context(argc, argv).run();
}
