// The file types the save dialog offers: description and pattern pairs.
#pragma once

namespace filecmd {

inline constexpr const char16_t* kSaveFilter =
    u"JPGイメージ(*.jpg)|.jpg|GIFイメージ(*.gif)|.gif|PNGイメージ(*.png)|.png|Bitmapイメージ(*.bmp)|.bmp|"
    u"ZR4データファイル(*.zr4)|.zr4|すべてのファイル(*.*)|*.*";

}  // namespace filecmd
