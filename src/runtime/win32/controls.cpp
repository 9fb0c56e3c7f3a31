// Controls on Windows: a child window each, placed in the form's scale units.
#include "runtime/controls.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "runtime/dispatch.h"
#include "runtime/win32/backend.h"
#include "runtime/win32/form_events.h"
#include "runtime/win32/picture_data.h"

namespace rt {

namespace win32 {

namespace {

std::map<const Control*, ControlPeer>& Peers() {
    static std::map<const Control*, ControlPeer> peers;
    return peers;
}

// The tooltip window of a form, made when the first tip is set.
HWND TooltipsOf(Form& form) {
    FormWidget& w = form.Widget();
    if (!w.tooltips) {
        w.tooltips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w.hwnd, nullptr,
                                     Instance(), nullptr);
    }
    return w.tooltips;
}

}  // namespace

ControlPeer& PeerOf(const Control& control) { return Peers()[&control]; }

ControlPeer* PeerOfWindow(HWND hwnd) {
    for (auto& [control, peer] : Peers())
        if (peer.hwnd == hwnd) return &peer;
    return nullptr;
}

void ForgetPeer(const Control& control) {
    auto it = Peers().find(&control);
    if (it == Peers().end()) return;
    if (it->second.backBrush) DeleteObject(it->second.backBrush);
    Peers().erase(it);
}

HWND HwndOf(const Control& control) { return PeerOf(control).hwnd; }

HWND CreateChild(Control& control, const wchar_t* windowClass, DWORD style, DWORD exStyle) {
    HWND hwnd = CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                control.Parent().Widget().hwnd, nullptr, Instance(), nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFont()), FALSE);
    PeerOf(control).hwnd = hwnd;
    control.ApplyGeometry();
    return hwnd;
}

}  // namespace win32

// ---- Control ----

Control::Control(Form& form, const char* name, TwipRect design, QWidget* widget)
    : form_(form),
      name_(name),
      widget_(widget),
      left_(form.TwipsToUnitsX(design.left)),
      top_(form.TwipsToUnitsY(design.top)),
      width_(form.TwipsToUnitsX(design.width)),
      height_(form.TwipsToUnitsY(design.height)) {
    form.AddControl(this);
}

Control::~Control() {
    if (HWND hwnd = win32::HwndOf(*this)) DestroyWindow(hwnd);
    win32::ForgetPeer(*this);
}

void Control::ApplyGeometry() {
    HWND hwnd = win32::HwndOf(*this);
    if (!hwnd) return;
    const int x = form_.UnitsToPixelsX(left_);
    const int y = form_.UnitsToPixelsY(top_);
    const int w = int(std::lround(width_ * form_.Design().twipsPerUnitX / win32::TwipsPerPixelX()));
    const int h = int(std::lround(height_ * form_.Design().twipsPerUnitY / win32::TwipsPerPixelY()));
    SetWindowPos(hwnd, nullptr, x, y, std::max(0, w), std::max(0, h), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetLeft(double v) {
    left_ = v;
    ApplyGeometry();
}
void Control::SetTop(double v) {
    top_ = v;
    ApplyGeometry();
}
void Control::SetWidth(double v) {
    width_ = v;
    ApplyGeometry();
}
void Control::SetHeight(double v) {
    height_ = v;
    ApplyGeometry();
}

void Control::AdoptPixelSize(int width, int height) {
    width_ = width * win32::TwipsPerPixelX() / form_.Design().twipsPerUnitX;
    height_ = height * win32::TwipsPerPixelY() / form_.Design().twipsPerUnitY;
    SetWindowPos(win32::HwndOf(*this), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

std::u16string Control::ToolTipText() const { return win32::Utf16(win32::PeerOf(*this).tooltip); }

void Control::SetToolTipText(const std::u16string& text) {
    win32::ControlPeer& peer = win32::PeerOf(*this);
    HWND tips = win32::TooltipsOf(form_);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = form_.Widget().hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(peer.hwnd);
    const bool had = !peer.tooltip.empty();
    peer.tooltip = win32::Wide(text);
    tool.lpszText = peer.tooltip.data();
    if (peer.tooltip.empty()) {
        if (had) SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    } else {
        SendMessageW(tips, had ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

// ---- Label ----

Label::Label(Form& form, const char* name, TwipRect design) : Control(form, name, design, nullptr) {
    // Captions are shown as they are: an "&" is a character, not a mnemonic.
    win32::CreateChild(*this, L"STATIC", SS_LEFT | SS_NOPREFIX);
}

static std::u16string WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(size_t(n) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(size_t(n));
    return win32::Utf16(text);
}

std::u16string Label::Caption() const { return WindowText(win32::HwndOf(*this)); }

void Label::SetCaption(const std::u16string& caption) {
    SetWindowTextW(win32::HwndOf(*this), win32::Wide(caption).c_str());
}

void Label::SetColors(Rgb fore, Rgb back) {
    win32::ControlPeer& peer = win32::PeerOf(*this);
    peer.hasFore = peer.hasBack = true;
    peer.fore = win32::ToColorRef(fore);
    peer.back = win32::ToColorRef(back);
    if (peer.backBrush) DeleteObject(peer.backBrush);
    peer.backBrush = CreateSolidBrush(peer.back);
    InvalidateRect(peer.hwnd, nullptr, TRUE);
}

void Label::SetForeColor(Rgb fore) {
    win32::ControlPeer& peer = win32::PeerOf(*this);
    peer.hasFore = true;
    peer.fore = win32::ToColorRef(fore);
    InvalidateRect(peer.hwnd, nullptr, TRUE);
}

void Label::SetFont(const FontStyle& font) {
    SendMessageW(win32::HwndOf(*this), WM_SETFONT, reinterpret_cast<WPARAM>(win32::FontFor(font)), TRUE);
}

void Label::SetCentered(bool centered) {
    HWND hwnd = win32::HwndOf(*this);
    LONG style = GetWindowLongW(hwnd, GWL_STYLE) & ~(SS_LEFT | SS_CENTER | SS_RIGHT);
    SetWindowLongW(hwnd, GWL_STYLE, style | (centered ? SS_CENTER : SS_LEFT));
    InvalidateRect(hwnd, nullptr, TRUE);
}

// ---- TextBox ----

TextBox::TextBox(Form& form, const char* name, TwipRect design) : Control(form, name, design, nullptr) {
    win32::CreateChild(*this, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE);
}

std::u16string TextBox::Text() const { return WindowText(win32::HwndOf(*this)); }

void TextBox::SetText(const std::u16string& text) { SetWindowTextW(win32::HwndOf(*this), win32::Wide(text).c_str()); }

static void Selection(HWND edit, DWORD& start, DWORD& end) {
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
}

int32_t TextBox::SelStart() const {
    DWORD start = 0, end = 0;
    Selection(win32::HwndOf(*this), start, end);
    return int32_t(start);
}

void TextBox::SetSelStart(int32_t start) { SendMessageW(win32::HwndOf(*this), EM_SETSEL, WPARAM(start), LPARAM(start)); }

int32_t TextBox::SelLength() const {
    DWORD start = 0, end = 0;
    Selection(win32::HwndOf(*this), start, end);
    return int32_t(end - start);
}

void TextBox::SetSelLength(int32_t length) {
    const int32_t start = SelStart();
    SendMessageW(win32::HwndOf(*this), EM_SETSEL, WPARAM(start), LPARAM(start + length));
}

std::u16string TextBox::SelText() const {
    DWORD start = 0, end = 0;
    Selection(win32::HwndOf(*this), start, end);
    return Text().substr(start, end - start);
}

void TextBox::SetSelText(const std::u16string& text) {
    // Replaces the selection, or inserts at the caret when nothing is selected.
    SendMessageW(win32::HwndOf(*this), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(win32::Wide(text).c_str()));
}

void TextBox::SetCentered(bool centered) {
    HWND hwnd = win32::HwndOf(*this);
    LONG style = GetWindowLongW(hwnd, GWL_STYLE) & ~(ES_LEFT | ES_CENTER | ES_RIGHT);
    SetWindowLongW(hwnd, GWL_STYLE, style | (centered ? ES_CENTER : ES_LEFT));
    InvalidateRect(hwnd, nullptr, TRUE);
}

// ---- PictureBox ----

PictureBox::PictureBox(Form& form, const char* name, TwipRect design) : Control(form, name, design, nullptr) {
    win32::CreateChild(*this, win32::kPaneClass, WS_TABSTOP);
}

void PictureBox::SetPicture(const rt::Picture& picture) {
    picture_ = picture;
    if (autoSize_ && !picture_.Empty()) AdoptPixelSize(picture_.PixelWidth(), picture_.PixelHeight());
    InvalidateRect(win32::HwndOf(*this), nullptr, TRUE);
}

void PictureBox::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on) SetPicture(picture_);
}

void PictureBox::SetOLEDropMode(int mode) { oleDropMode_ = mode; }

void PictureBox::SetBackColor(Rgb back) {
    win32::ControlPeer& peer = win32::PeerOf(*this);
    peer.hasBack = true;
    peer.back = win32::ToColorRef(back);
    if (peer.backBrush) DeleteObject(peer.backBrush);
    peer.backBrush = CreateSolidBrush(peer.back);
    InvalidateRect(peer.hwnd, nullptr, TRUE);
}

namespace win32 {

// The pane: its background colour, its picture at the top-left corner, and mouse presses.
LRESULT CALLBACK PaneProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pane = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!pane) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const ControlPeer& peer = PeerOf(*pane);
        FillRect(dc, &ps.rcPaint, peer.backBrush ? peer.backBrush : GetSysColorBrush(COLOR_BTNFACE));
        DrawPicture(dc, pane->Picture(), 0, 0, -1, -1);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        SetFocus(hwnd);
        const int16_t button = message == WM_LBUTTONDOWN ? vbLeftButton
                               : message == WM_RBUTTONDOWN ? vbRightButton
                                                           : vbMiddleButton;
        const int16_t shift = ShiftOf(wParam);
        // X and Y in the pane's own scale, twips.
        const float x = float(GET_X_LPARAM(lParam) * TwipsPerPixelX());
        const float y = float(GET_Y_LPARAM(lParam) * TwipsPerPixelY());
        Dispatch([pane, button, shift, x, y] {
            if (pane->OnMouseDown) pane->OnMouseDown(button, shift, x, y);
        });
        return 0;
    }
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace win32

}  // namespace rt
