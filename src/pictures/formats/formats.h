// The formats the core reads, one module each.
#pragma once

#include "pictures/format.h"

namespace pictures {

extern const Format kQoi;
extern const Format kPng;
extern const Format kGif;

}  // namespace pictures
