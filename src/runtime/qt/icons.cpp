#include "runtime/qt/icons.h"

#include <QImage>
#include <QPixmap>

#include "runtime/form.h"

namespace rt {

// The icon's pixels, taken from its PNG when the program was built (tools/icon_pixels.cpp).
extern const int kProgramIconWidth;
extern const int kProgramIconHeight;
extern const uint32_t kProgramIconPixels[];

QIcon ProgramIcon() {
    static const QIcon icon(QPixmap::fromImage(QImage(reinterpret_cast<const uchar*>(kProgramIconPixels),
                                                      kProgramIconWidth, kProgramIconHeight, QImage::Format_ARGB32)));
    return icon;
}

int32_t ProgramIconHandle() { return kProgramIconHandle; }

int32_t Form::Icon() const { return kProgramIconHandle; }

QIcon IconFromHandle(int32_t handle) { return handle == kProgramIconHandle ? ProgramIcon() : QIcon(); }

}  // namespace rt
