// The common dialog control on Windows. The system's save dialog is not part of this
// build yet: without a scripted answer ShowSave raises a run-time error that says so.
#include "runtime/common_dialog.h"

#include "runtime/errors.h"
#include "runtime/strings.h"

namespace rt {

namespace {
SaveDialogHandler scripted;
}  // namespace

void SetSaveDialogHandler(SaveDialogHandler handler) { scripted = std::move(handler); }

std::vector<std::pair<std::u16string, std::u16string>> FilterEntries(const std::u16string& filter) {
    std::vector<std::u16string> parts;
    size_t at = 0;
    for (;;) {
        const size_t bar = filter.find(u'|', at);
        parts.push_back(filter.substr(at, bar == std::u16string::npos ? std::u16string::npos : bar - at));
        if (bar == std::u16string::npos) break;
        at = bar + 1;
    }
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) entries.emplace_back(parts[i], parts[i + 1]);
    return entries;
}

void CommonDialog::ShowSave() {
    if (!scripted) Raise(ErrPlatformCall, u"the save dialog is not available in this Windows build yet");
    SaveDialogRequest request;
    request.title = u"Save As";
    request.filters = FilterEntries(filter_);
    request.filterIndex = filterIndex_ > 0 ? filterIndex_ - 1 : 0;
    request.fileName = UpToNul(fileName_);
    request.flags = flags_;
    const std::optional<std::string> chosen = scripted(request);
    if (!chosen) {
        if (cancelError_) Raise(ErrCancel);
        return;
    }
    fileName_ = WindowsPath(*chosen);
}

}  // namespace rt
