// The program's icon and the handles that stand for icons.
#pragma once

#include <QIcon>
#include <cstdint>

namespace rt {

QIcon ProgramIcon();
int32_t ProgramIconHandle();
// The icon a handle names; a null icon for an unknown handle.
QIcon IconFromHandle(int32_t handle);

}  // namespace rt
