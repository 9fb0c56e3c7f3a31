#include "runtime/win32/picture_visible_first.h"

#include "pictures/colour/srgb.h"
#include "pictures/visible_first.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace rt {

namespace {

// The screen's copies are not the reading's: the bound is for reading the file.
pictures::Image Srgb(const pictures::Image& image, const std::string& icc) {
    pictures::Budget unbounded(int64_t(1) << 62);
    return pictures::ConvertedToSrgb(image, icc, unbounded);
}

BOOL CALLBACK RepaintWindow(HWND hwnd, LPARAM) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return TRUE;
}

}  // namespace

std::optional<Picture> LoadVisibleFirst(std::shared_ptr<const std::string> bytes, int visibleWidth, int visibleHeight,
                                        int64_t bound) {
    auto data = std::make_shared<Picture::Data>();
    Picture::Data* const target = data.get();
    // Before the worker starts: the picture whose pixels it writes.
    auto prepare = [target](const pictures::Picture& picture) { target->core = picture; };
    // On the worker, before the picture counts as whole: the sRGB copy, and alpha should rows
    // the data never gave have made it transparent. Nothing reads either until then (the
    // size is read from the image, which the worker leaves alone).
    auto whole = [target](const pictures::Picture& decoded) {
        if (decoded.image.HasAlpha()) target->core.image.SetHasAlpha(true);
        target->core.shown = Srgb(decoded.image, target->core.metadata.icc);
    };
    // Then the windows of the user-interface thread are repainted (a call any thread may make).
    auto notify = [ui = GetCurrentThreadId()] { EnumThreadWindows(ui, RepaintWindow, 0); };
    std::optional<pictures::VisibleFirst> first =
        pictures::LoadVisibleFirst(pictures::Bytes(*bytes), bytes, visibleWidth, visibleHeight, bound, prepare, whole,
                                   notify);
    if (!first) return std::nullopt;
    data->early = first->early;
    if (pictures::Image srgb = Srgb(data->early, data->core.metadata.icc); !srgb.Null()) data->early = srgb;
    data->completion = std::move(first->completion);
    return Picture(std::move(data));
}

}  // namespace rt
