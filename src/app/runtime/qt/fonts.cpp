#include "app/runtime/qt/fonts.h"

#include <QStringList>

namespace rt {

QFont FontFromSpec(const FontSpec& spec) {
    QFont font;
    font.setFamilies({QString::fromStdU16String(spec.family), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("IPAGothic")});
    font.setPointSizeF(spec.pointSize);
    font.setBold(spec.bold);
    font.setUnderline(spec.underline);
    return font;
}

}  // namespace rt
