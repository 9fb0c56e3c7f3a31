// Forms on Windows: a top-level window per form, sized from its design in twips, with
// its close query for every way of closing (close box, system menu, the session).
#include "runtime/form.h"

#include <algorithm>
#include <cmath>

#include "runtime/dispatch.h"
#include "runtime/win32/backend.h"
#include "runtime/win32/form_events.h"

namespace rt {

namespace {

std::vector<Form*>& LoadOrder() {
    static std::vector<Form*> order;
    return order;
}

DWORD StyleOf(const FormDesign& d) {
    if (d.fixedDialog) return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}

DWORD ExStyleOf(const FormDesign& d) {
    DWORD ex = WS_EX_CONTROLPARENT;
    if (d.fixedDialog) ex |= WS_EX_DLGMODALFRAME;
    return ex;
}

// Gives the window the client size of its design, at its stored place when it has one.
void Place(Form& form) {
    const FormDesign& d = form.Design();
    HWND hwnd = form.Widget().hwnd;
    const int w = win32::TwipsToPixelsX(d.clientWidthTwips);
    const int h = win32::TwipsToPixelsY(d.clientHeightTwips);
    const bool stored = d.startLeftTwips >= 0 && d.startTopTwips >= 0;
    const int x = stored ? win32::TwipsToPixelsX(d.startLeftTwips) : 0;
    const int y = stored ? win32::TwipsToPixelsY(d.startTopTwips) : 0;
    RECT rc{x, y, x + w, y + h};
    AdjustWindowRectEx(&rc, DWORD(GetWindowLongW(hwnd, GWL_STYLE)), GetMenu(hwnd) != nullptr,
                       DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE)));
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (stored ? 0 : SWP_NOMOVE);
    SetWindowPos(hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, flags);
    // A menu bar that wraps takes more than one line: grow the window by what is missing.
    RECT client;
    GetClientRect(hwnd, &client);
    const int missing = h - (client.bottom - client.top);
    if (missing > 0) {
        SetWindowPos(hwnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + missing,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

}  // namespace

Form* FormFromHandle(int32_t hWnd) {
    for (Form* f : LoadOrder())
        if (f->hWnd() == hWnd) return f;
    return nullptr;
}

Form* FormOfWindow(HWND hwnd) {
    if (!hwnd) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    for (Form* f : LoadOrder())
        if (f->Widget().hwnd == root) return f;
    return nullptr;
}

std::vector<Form*> LoadedForms() {
    std::vector<Form*> forms;
    for (Form* f : LoadOrder())
        if (f->IsLoaded()) forms.push_back(f);
    return forms;
}

// ---- the window ----

FormWidget::FormWidget(Form& owner) : form(owner) {
    win32::RegisterClasses();
    const FormDesign& d = form.Design();
    // A window with an owner has no taskbar entry.
    const HWND parent = d.showInTaskbar ? nullptr : win32::HiddenOwner();
    const std::wstring caption = win32::Wide(d.caption);
    hwnd = CreateWindowExW(ExStyleOf(d), win32::kFormClass, caption.c_str(), StyleOf(d), CW_USEDEFAULT,
                           CW_USEDEFAULT, win32::TwipsToPixelsX(d.clientWidthTwips),
                           win32::TwipsToPixelsY(d.clientHeightTwips), parent, nullptr, win32::Instance(), this);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(win32::ProgramIcon(true)));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(win32::ProgramIcon(false)));
}

FormWidget::~FormWidget() {
    win32::ForgetMenus(form);
    if (acceleratorTable) DestroyAcceleratorTable(acceleratorTable);
    if (hwnd) DestroyWindow(hwnd);
}

HACCEL FormWidget::Accelerators() {
    if (acceleratorsChanged) {
        if (acceleratorTable) DestroyAcceleratorTable(acceleratorTable);
        acceleratorTable = accelerators.empty()
                               ? nullptr
                               : CreateAcceleratorTableW(accelerators.data(), int(accelerators.size()));
        acceleratorsChanged = false;
    }
    return acceleratorTable;
}

// ---- the form ----

Form::Form(const FormDesign& design) : design_(design) {
    widget_ = std::make_unique<FormWidget>(*this);
    LoadOrder().push_back(this);
}

Form::~Form() {
    auto& order = LoadOrder();
    order.erase(std::remove(order.begin(), order.end(), this), order.end());
}

QWidget* Form::Client() const { return nullptr; }  // the Qt backend's; controls use the window

bool Form::Visible() const { return IsWindowVisible(widget_->hwnd) != FALSE; }

void Form::SetVisible(bool visible) {
    if (visible) {
        // Already shown: nothing changes (it is not raised over other windows again).
        if (loaded_ && Visible()) return;
        Show();
    } else {
        ShowWindow(widget_->hwnd, SW_HIDE);
    }
}

int32_t Form::hWnd() const { return int32_t(reinterpret_cast<intptr_t>(widget_->hwnd)); }

int32_t Form::Icon() const { return int32_t(reinterpret_cast<intptr_t>(win32::ProgramIcon(true))); }

void Form::SetScaleTop(double top) {
    scaleTop_ = top;
    RelayoutControls();
}

void Form::RelayoutControls() {
    for (Control* c : controls_) c->ApplyGeometry();
}

std::u16string Form::Caption() const {
    const int n = GetWindowTextLengthW(widget_->hwnd);
    std::wstring text(size_t(n) + 1, L'\0');
    GetWindowTextW(widget_->hwnd, text.data(), n + 1);
    text.resize(size_t(n));
    return win32::Utf16(text);
}

void Form::SetCaption(const std::u16string& caption) {
    SetWindowTextW(widget_->hwnd, win32::Wide(caption).c_str());
}

void Form::Show(int modal) {
    (void)modal;  // no form of this program is shown modal
    // A form loaded afresh takes its design size and stored place again.
    const bool fresh = !loaded_;
    if (fresh) Load(*this);
    if (fresh || !widget_->placed) {
        Place(*this);
        widget_->placed = true;
        widget_->lastFocus = nullptr;
    }
    HWND hwnd = widget_->hwnd;
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    BringWindowToTop(hwnd);
    if (fresh || !widget_->lastFocus) win32::FocusFirst(*widget_);
}

int Form::UnitsToPixelsX(double units) const {
    return int(std::lround((units - scaleLeft_) * design_.twipsPerUnitX / win32::TwipsPerPixelX()));
}
int Form::UnitsToPixelsY(double units) const {
    return int(std::lround((units - scaleTop_) * design_.twipsPerUnitY / win32::TwipsPerPixelY()));
}
double Form::PixelsToUnitsX(int pixels) const {
    return pixels * win32::TwipsPerPixelX() / design_.twipsPerUnitX + scaleLeft_;
}
double Form::PixelsToUnitsY(int pixels) const {
    return pixels * win32::TwipsPerPixelY() / design_.twipsPerUnitY + scaleTop_;
}

void Load(Form& form) {
    if (form.loaded_) return;
    form.loaded_ = true;
    form.Form_Load();
}

void Unload(Form& form) { UnloadFor(form, vbFormCode); }

void UnloadFor(Form& form, int16_t mode) {
    // A request that arrives while this form's close query runs is the same close:
    // the one under way goes on.
    if (!form.loaded_ || form.unloading_) return;
    form.unloading_ = true;
    int16_t cancel = 0;
    try {
        form.Form_QueryUnload(cancel, mode);
    } catch (...) {
        form.unloading_ = false;
        throw;
    }
    form.unloading_ = false;
    if (cancel != 0) return;
    form.loaded_ = false;
    ShowWindow(form.widget_->hwnd, SW_HIDE);
    if (LoadedForms().empty()) StopProgram();
}

}  // namespace rt
