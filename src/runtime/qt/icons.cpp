#include "runtime/qt/icons.h"

#include "runtime/form.h"

namespace rt {

QIcon ProgramIcon() {
    static const QIcon icon(QStringLiteral(":/orvenna/orvenna.png"));
    return icon;
}

int32_t ProgramIconHandle() { return kProgramIconHandle; }

int32_t Form::Icon() const { return kProgramIconHandle; }

QIcon IconFromHandle(int32_t handle) { return handle == kProgramIconHandle ? ProgramIcon() : QIcon(); }

}  // namespace rt
