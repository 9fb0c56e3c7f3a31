#include "runtime/form.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "runtime/backend.h"
#include "runtime/controls.h"
#include "runtime/dispatch.h"

namespace rt {

namespace {

// Window handles name forms: the system's handles, or small numbers of our own.
std::map<int32_t, Form*>& HandleTable() {
    static std::map<int32_t, Form*> table;
    return table;
}

std::vector<Form*>& LoadOrder() {
    static std::vector<Form*> order;
    return order;
}

int32_t HandleOf(const Form* form) {
    for (auto& [handle, f] : HandleTable())
        if (f == form) return handle;
    return 0;
}

}  // namespace

Form* FormFromHandle(int32_t hWnd) {
    auto it = HandleTable().find(hWnd);
    return it == HandleTable().end() ? nullptr : it->second;
}

std::vector<Form*> LoadedForms() {
    std::vector<Form*> forms;
    for (Form* f : LoadOrder())
        if (f->IsLoaded()) forms.push_back(f);
    return forms;
}

Form::Form(const FormDesign& design) : design_(design), caption_(design.caption) {
    peer_ = backend::MakeWindow(*this);
    // The system's own handle where the backend has one, so that platform calls given
    // hWnd reach the real window; else a small number of our own.
    int32_t handle = backend::WindowHandle(*peer_);
    if (handle == 0) {
        handle = 0x1004;
        while (HandleTable().count(handle)) handle += 4;
    }
    HandleTable()[handle] = this;
    LoadOrder().push_back(this);
}

Form::~Form() {
    HandleTable().erase(HandleOf(this));
    auto& order = LoadOrder();
    order.erase(std::remove(order.begin(), order.end(), this), order.end());
}

bool Form::Visible() const { return backend::WindowVisible(*peer_); }

void Form::SetVisible(bool visible) {
    if (visible) {
        // Already shown: nothing changes (it is not raised over other windows again).
        if (loaded_ && Visible()) return;
        Show();
    } else if (Visible()) {
        backend::HideWindow(*peer_, true);
    }
}

int32_t Form::hWnd() const { return HandleOf(this); }

void Form::SetScaleTop(double top) {
    scaleTop_ = top;
    RelayoutControls();
}

void Form::RelayoutControls() {
    for (Control* c : controls_) c->ApplyGeometry();
}

std::u16string Form::Caption() const { return caption_; }

void Form::SetCaption(const std::u16string& caption) {
    caption_ = caption;
    backend::SetWindowCaption(*peer_, caption);
}

void Form::Show(int modal) {
    (void)modal;  // no form of this program is shown modal
    // A form that is loaded afresh takes its design size and stored place again.
    const bool fresh = !loaded_;
    if (fresh) Load(*this);
    if (fresh || !placed_) {
        placed_ = true;
        backend::PlaceWindow(*peer_, *this);
    } else if (!Visible()) {
        backend::RestoreWindowPlace(*peer_);
    }
    backend::ShowWindow(*peer_, *this);
}

int Form::UnitsToPixelsX(double units) const {
    return int(std::lround(units * design_.twipsPerUnitX / kTwipsPerPixel));
}
int Form::UnitsToPixelsY(double units) const {
    return int(std::lround((units - scaleTop_) * design_.twipsPerUnitY / kTwipsPerPixel));
}
double Form::PixelsToUnitsX(int pixels) const {
    return pixels * kTwipsPerPixel / design_.twipsPerUnitX;
}
double Form::PixelsToUnitsY(int pixels) const {
    return pixels * kTwipsPerPixel / design_.twipsPerUnitY + scaleTop_;
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
    backend::HideWindow(*form.peer_, false);
    if (LoadedForms().empty()) StopProgram();
}

}  // namespace rt
