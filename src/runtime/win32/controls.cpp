// Controls on Windows: a child window each on its form's window, placed in device pixels.
#include "runtime/controls.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <windowsx.h>

#include "runtime/backend.h"
#include "runtime/dispatch.h"
#include "runtime/win32/form_events.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace rt {

void PeerDelete::operator()(ControlPeer* peer) const {
    if (peer->dropTarget) RevokeDragDrop(peer->hwnd);
    if (peer->hwnd && IsWindow(peer->hwnd)) DestroyWindow(peer->hwnd);
    if (peer->backBrush) DeleteObject(peer->backBrush);
    delete peer;
}

namespace win32 {

PeerPtr<ControlPeer> MakeChild(Form& form, const wchar_t* windowClass, DWORD style, DWORD exStyle) {
    PeerPtr<ControlPeer> peer(new ControlPeer);
    peer->hwnd = CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, WindowOf(form),
                                 nullptr, Instance(), nullptr);
    SendMessageW(peer->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFont()), FALSE);
    return peer;
}

void Attach(Control& control) {
    control.Peer().control = &control;
    SetWindowLongPtrW(control.Peer().hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
}

namespace {

// The tooltip window of a form, made when the first tip is set. Tips are shown as they
// are: "&" is a character, not a mnemonic.
HWND TooltipsOf(Form& form) {
    FormPeer& w = form.Peer();
    if (!w.tooltips) {
        w.tooltips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w.hwnd, nullptr,
                                     Instance(), nullptr);
    }
    return w.tooltips;
}

void SetBrush(ControlPeer& peer, Rgb back) {
    peer.hasBack = true;
    peer.back = ToColorRef(back);
    if (peer.backBrush) DeleteObject(peer.backBrush);
    peer.backBrush = CreateSolidBrush(peer.back);
    InvalidateRect(peer.hwnd, nullptr, TRUE);
}

void SetAlignment(HWND hwnd, LONG clear, LONG set) {
    SetWindowLongW(hwnd, GWL_STYLE, (GetWindowLongW(hwnd, GWL_STYLE) & ~clear) | set);
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace

}  // namespace win32

namespace backend {

void PlaceControl(ControlPeer& control, int x, int y, int width, int height) {
    SetWindowPos(control.hwnd, nullptr, win32::ToDeviceX(x), win32::ToDeviceY(y), win32::ToDeviceX(width),
                 win32::ToDeviceY(height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetControlToolTip(ControlPeer& control, const std::u16string& text) {
    if (!control.control) return;
    HWND tips = win32::TooltipsOf(control.control->Parent());
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control.hwnd);
    tool.uId = reinterpret_cast<UINT_PTR>(control.hwnd);
    SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (text.empty()) return;
    std::wstring wide = win32::Wide(text);
    tool.lpszText = wide.data();  // the tooltip keeps its own copy
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

double ControlPixelRatio(const ControlPeer& control) {
    (void)control;
    return win32::DeviceScale();
}

void RepaintControl(ControlPeer& control) { InvalidateRect(control.hwnd, nullptr, TRUE); }

void PaintWindowNow(ControlPeer& control) {
    HWND window = GetAncestor(control.hwnd, GA_ROOT);
    if (window && IsWindowVisible(window))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace backend

// ---- Label ----

Label::Label(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, win32::MakeChild(form, L"STATIC", SS_LEFT | SS_NOPREFIX)) {
    win32::Attach(*this);
}

void Label::ShowCaption() { SetWindowTextW(Peer().hwnd, win32::Wide(caption_).c_str()); }

void Label::SetColors(Rgb fore, Rgb back) {
    Peer().hasFore = true;
    Peer().fore = win32::ToColorRef(fore);
    win32::SetBrush(Peer(), back);
}

void Label::SetForeColor(Rgb fore) {
    Peer().hasFore = true;
    Peer().fore = win32::ToColorRef(fore);
    InvalidateRect(Peer().hwnd, nullptr, TRUE);
}

void Label::SetFont(const FontStyle& font) {
    SendMessageW(Peer().hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(win32::FontFor(font)), TRUE);
}

void Label::SetCentered(bool centered) {
    win32::SetAlignment(Peer().hwnd, SS_LEFT | SS_CENTER | SS_RIGHT, centered ? SS_CENTER : SS_LEFT);
}

// ---- TextBox ----

TextBox::TextBox(Form& form, const char* name, TwipRect design)
    : Control(form, name, design,
              win32::MakeChild(form, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE)) {
    win32::Attach(*this);
}

namespace {

void Selection(HWND edit, DWORD& start, DWORD& end) {
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
}

}  // namespace

std::u16string TextBox::Text() const { return win32::WindowText(Peer().hwnd); }

void TextBox::SetText(const std::u16string& text) { SetWindowTextW(Peer().hwnd, win32::Wide(text).c_str()); }

int32_t TextBox::SelStart() const {
    DWORD start = 0, end = 0;
    Selection(Peer().hwnd, start, end);
    return int32_t(start);
}

int32_t TextBox::SelLength() const {
    DWORD start = 0, end = 0;
    Selection(Peer().hwnd, start, end);
    return int32_t(end - start);
}

std::u16string TextBox::SelText() const {
    DWORD start = 0, end = 0;
    Selection(Peer().hwnd, start, end);
    return Text().substr(start, end - start);
}

void TextBox::SetSelText(const std::u16string& text) {
    SendMessageW(Peer().hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(win32::Wide(text).c_str()));
}

void TextBox::SetCentered(bool centered) {
    win32::SetAlignment(Peer().hwnd, ES_LEFT | ES_CENTER | ES_RIGHT, centered ? ES_CENTER : ES_LEFT);
}

// ---- PictureBox ----

PictureBox::PictureBox(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, win32::MakeChild(form, win32::kPaneClass, WS_TABSTOP)) {
    win32::Attach(*this);
}

void PictureBox::SetBackColor(Rgb back) { win32::SetBrush(Peer(), back); }

namespace win32 {

// The pane: its background colour, its picture at the top-left corner, and mouse presses.
LRESULT CALLBACK PaneProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pane = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!pane) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case kRunLaterMessage: RunPosted(lParam); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const ControlPeer& peer = pane->Peer();
        FillRect(dc, &ps.rcPaint, peer.backBrush ? peer.backBrush : GetSysColorBrush(COLOR_BTNFACE));
        DrawPicture(dc, pane->Picture(), 0, 0, -1, -1);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        SetFocus(hwnd);
        const int16_t button = message == WM_LBUTTONDOWN   ? vbLeftButton
                               : message == WM_RBUTTONDOWN ? vbRightButton
                                                           : vbMiddleButton;
        const int16_t shift = ShiftOf(wParam);
        // X and Y in the pane's own scale, twips.
        const float x = float(ToLogicalX(GET_X_LPARAM(lParam)) * kTwipsPerPixel);
        const float y = float(ToLogicalY(GET_Y_LPARAM(lParam)) * kTwipsPerPixel);
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
