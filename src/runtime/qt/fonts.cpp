#include "runtime/qt/fonts.h"

#include <QStringList>

namespace rt {

QFont QFontFrom(const FontStyle& style) {
    QFont font;
    // The classic Japanese UI face is not on Linux desktops: follow it with faces that are.
    font.setFamilies({QString::fromStdU16String(style.family), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("IPAGothic")});
    font.setPointSizeF(style.pointSize);
    font.setBold(style.bold);
    font.setUnderline(style.underline);
    return font;
}

}  // namespace rt
