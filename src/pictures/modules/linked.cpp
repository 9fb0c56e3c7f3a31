// The families linked into the program (the Windows program, the tests, the benchmarks):
// nothing to load.
#include "pictures/modules/module.h"

namespace pictures {

const PictureModule& LoadFamily(Family family, Failure::Kind) {
    return *(family == Family::Heif ? orvenna_heif_module() : orvenna_jxl_module());
}

}  // namespace pictures
