// The families linked into the program (the Windows program, the tests, the benchmarks):
// nothing to load.
#include "pictures/modules/module.h"

namespace pictures {

const PictureModule& LoadFamily(Family family, Failure::Kind) {
    switch (family) {
    case Family::Heif: return *orvenna_heif_module();
    case Family::Avif: return *orvenna_avif_module();
    case Family::Jxl: return *orvenna_jxl_module();
    case Family::Metadata: break;
    }
    return *orvenna_metadata_module();
}

}  // namespace pictures
