// The clipboard as Unicode text. A list of files (what the shell puts there on Copy)
// counts as no text.
#include "runtime/clipboard.h"

#include <cstring>

#include "runtime/errors.h"
#include "runtime/win32/peers.h"

namespace rt {

namespace {

// Another program may hold the clipboard open for a moment: a few tries, then an error.
void OpenOrRaise(HWND owner) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(owner)) return;
        Sleep(10);
    }
    Raise(ErrPlatformCall, u"the clipboard is held by another program");
}

struct ClosesClipboard {
    ~ClosesClipboard() { CloseClipboard(); }
};

}  // namespace

ClipboardObject& Clipboard() {
    static ClipboardObject clipboard;
    return clipboard;
}

std::u16string ClipboardObject::GetText() const {
    OpenOrRaise(nullptr);
    ClosesClipboard closer;
    if (IsClipboardFormatAvailable(CF_HDROP)) return {};
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return {};
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (!text) return {};
    const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
    const size_t length = wcsnlen(text, capacity);
    std::u16string result = win32::Utf16(text, length);
    GlobalUnlock(data);
    return result;
}

void ClipboardObject::SetText(const std::u16string& text) {
    const std::wstring wide = win32::Wide(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (!block) Raise(ErrOutOfMemory);
    std::memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(block);
    // The data needs an owner window: with none, the system refuses it.
    OpenOrRaise(win32::HiddenOwner());
    ClosesClipboard closer;
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, block)) {
        GlobalFree(block);
        Raise(ErrPlatformCall, u"the clipboard refused the text");
    }
}

}  // namespace rt
