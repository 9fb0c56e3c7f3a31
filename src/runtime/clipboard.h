// The system clipboard, plain text only (backend).
#pragma once

#include <string>

namespace rt {

struct ClipboardObject {
    // The clipboard's text; empty when it holds none (a picture, files, nothing).
    std::u16string GetText() const;
    void SetText(const std::u16string& text);
};

ClipboardObject& Clipboard();

}  // namespace rt
