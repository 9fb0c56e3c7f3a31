// Drops through OLE: the form's window and the picture box each register a drop target.
// A drop that carries the shell's file list (CF_HDROP) reaches the handler as a drop
// data object with those files in order; any other data as one without a file list.
// The handler runs after the drop has returned to its source, from the window's own
// queue: a message box it shows must not hold the source's drag loop.
#include <windows.h>
// After windows.h, which they need.
#include <ole2.h>
#include <shellapi.h>

#include <atomic>
#include <memory>
#include <vector>

#include "runtime/controls.h"
#include "runtime/dispatch.h"
#include "runtime/drop_data.h"
#include "runtime/form.h"
#include "runtime/win32/form_events.h"
#include "runtime/win32/peers.h"

namespace rt::win32 {

namespace {

using Deliver = std::function<void(const std::shared_ptr<DataObject>& data, int16_t button, int16_t shift, POINT at)>;

}  // namespace

DataObject DropDataOf(IDataObject* data) {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) return {};
    std::vector<std::u16string> paths;
    auto drop = static_cast<HDROP>(medium.hGlobal);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), UINT(path.size())));
        paths.push_back(Utf16(path));
    }
    ReleaseStgMedium(&medium);
    return DataObject::WithFiles(std::move(paths));
}

namespace {

// Every kind of data is taken (data without a file list is answered by the handler),
// as a copy where the source allows one.
DWORD Chosen(DWORD allowed) {
    for (DWORD effect : {DWORD(DROPEFFECT_COPY), DWORD(DROPEFFECT_MOVE), DWORD(DROPEFFECT_LINK)})
        if (allowed & effect) return effect;
    return DROPEFFECT_NONE;
}

class DropTarget final : public IDropTarget {
public:
    DropTarget(HWND window, Deliver deliver) : window_(window), deliver_(std::move(deliver)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = Chosen(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = Chosen(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL screen, DWORD* effect) override {
        *effect = Chosen(*effect);
        auto files = std::make_shared<DataObject>(DropDataOf(data));
        const int16_t button = ButtonsOf(keys), shift = ShiftOf(keys);
        POINT at{screen.x, screen.y};
        ScreenToClient(window_, &at);
        RunLater(window_, [deliver = deliver_, files, button, shift, at] { deliver(files, button, shift, at); });
        return S_OK;
    }

private:
    HWND window_;
    Deliver deliver_;
    std::atomic<ULONG> references_{1};
};

bool Register(HWND window, Deliver deliver) {
    auto* target = new DropTarget(window, std::move(deliver));
    const bool registered = SUCCEEDED(RegisterDragDrop(window, target));
    target->Release();  // the system holds its own reference while registered
    return registered;
}

}  // namespace

void RunLater(HWND window, std::function<void()> work) {
    auto* posted = new std::function<void()>(std::move(work));
    if (!PostMessageW(window, kRunLaterMessage, 0, reinterpret_cast<LPARAM>(posted))) {
        (*posted)();
        delete posted;
    }
}

void RunPosted(LPARAM posted) {
    std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(posted));
    (*work)();
}

bool AcceptFormDrops(Form& form, HWND window) {
    Form* target = &form;
    return Register(window, [target](const std::shared_ptr<DataObject>& data, int16_t button, int16_t shift, POINT at) {
        const float x = float(target->PixelsToUnitsX(ToLogicalX(at.x)));
        const float y = float(target->PixelsToUnitsY(ToLogicalY(at.y)));
        Dispatch([target, data, button, shift, x, y] {
            int32_t effect = 1;  // copy
            target->Form_OLEDragDrop(*data, effect, button, shift, x, y);
        });
    });
}

}  // namespace rt::win32

namespace rt {

void PictureBox::AcceptDrops(bool on) {
    ControlPeer& peer = Peer();
    if (on == peer.dropTarget) return;
    if (!on) {
        RevokeDragDrop(peer.hwnd);
        peer.dropTarget = false;
        return;
    }
    PictureBox* box = this;
    peer.dropTarget =
        win32::Register(peer.hwnd, [box](const std::shared_ptr<DataObject>& data, int16_t button, int16_t shift, POINT at) {
            // X and Y in the pane's own scale, twips.
            const float x = float(win32::ToLogicalX(at.x) * kTwipsPerPixel);
            const float y = float(win32::ToLogicalY(at.y) * kTwipsPerPixel);
            Dispatch([box, data, button, shift, x, y] {
                int32_t effect = 1;  // copy
                if (box->OnDragDrop) box->OnDragDrop(*data, effect, button, shift, x, y);
            });
        });
}

}  // namespace rt
