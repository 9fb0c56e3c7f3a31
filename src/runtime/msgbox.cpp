#include "runtime/msgbox.h"

#include "runtime/backend.h"
#include "runtime/testing.h"

namespace rt {

int MsgBox(const std::u16string& prompt, int style, const std::u16string& title) {
    if (const auto& scripted = testing::Hooks().msgBox) return scripted(prompt, style, title);
    return backend::ShowMessageBox(prompt, style, title);
}

}  // namespace rt
