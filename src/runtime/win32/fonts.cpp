// Fonts by face, size and style. A Japanese face that is not installed falls back to
// the next one of a list that exists (as on Linux, where IPAPGothic stands in).
#include <cmath>
#include <map>
#include <tuple>

#include "runtime/win32/peers.h"

namespace rt::win32 {

namespace {

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool Installed(const std::wstring& face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(query.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The face to use: the one asked for, else the first installed of the Japanese faces.
std::wstring Face(const std::u16string& family) {
    const std::wstring asked = Wide(family);
    if (asked.empty() || Installed(asked)) return asked;
    for (const wchar_t* fallback : {L"MS PGothic", L"IPAPGothic", L"Noto Sans CJK JP", L"IPAGothic"})
        if (Installed(fallback)) return fallback;
    return asked;
}

bool WantsJapanese(const std::u16string& family) {
    for (char16_t c : family)
        if (c >= 0x3000) return true;
    return false;
}

}  // namespace

HFONT FontFor(const FontStyle& style) {
    using Key = std::tuple<std::u16string, double, bool, bool>;
    static std::map<Key, HFONT> made;
    const Key key{style.family, style.pointSize, style.bold, style.underline};
    if (auto it = made.find(key); it != made.end()) return it->second;

    LOGFONTW lf{};
    // Points to pixels at the screen's vertical DPI; negative: the character height.
    lf.lfHeight = -LONG(std::lround(style.pointSize * DevicePixelsPerPoint()));
    lf.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = style.underline;
    lf.lfCharSet = WantsJapanese(style.family) ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    const std::wstring face = Face(style.family);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    made[key] = font;
    return font;
}

HFONT DefaultFont() {
    static HFONT font = [] {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            return CreateFontIndirectW(&metrics.lfMessageFont);
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

}  // namespace rt::win32
