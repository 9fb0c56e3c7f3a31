// The formats the core reads, one module each.
#pragma once

#include "pictures/format.h"

namespace pictures {

extern const Format kQoi;
extern const Format kPng;
extern const Format kGif;
extern const Format kJpeg;
extern const Format kWebp;
extern const Format kHeif;
extern const Format kAvif;
extern const Format kJxl;
extern const Format kTiff;
extern const Format kBmp;
extern const Format kIco;
extern const Format kPnm;
extern const Format kXbm;
extern const Format kXpm;
extern const Format kWbmp;
extern const Format kTga;

// HEIF, AVIF and JPEG XL as the registry lists them: recognised by the core, read by the
// family's module (modules/), loaded when a picture first needs it.
extern const Format kHeifFamily;
extern const Format kAvifFamily;
extern const Format kJxlFamily;

}  // namespace pictures
