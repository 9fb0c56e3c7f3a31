// The formats the core reads, one module each.
#pragma once

#include "pictures/format.h"

namespace pictures {

extern const Format kQoi;
extern const Format kHeif;
extern const Format kAvif;
extern const Format kJxl;

}  // namespace pictures
