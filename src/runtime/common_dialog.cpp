#include "runtime/common_dialog.h"

#include <optional>

#include "runtime/backend.h"
#include "runtime/errors.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace rt {

std::vector<std::pair<std::u16string, std::u16string>> FilterEntries(const std::u16string& filter) {
    std::vector<std::u16string> parts;
    size_t from = 0;
    for (size_t bar; (bar = filter.find(u'|', from)) != std::u16string::npos; from = bar + 1)
        parts.push_back(filter.substr(from, bar - from));
    parts.push_back(filter.substr(from));
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) entries.emplace_back(parts[i], parts[i + 1]);
    return entries;
}

void CommonDialog::ShowSave() {
    SaveDialogRequest request;
    request.title = u"Save As";
    request.filters = FilterEntries(filter_);
    request.filterIndex = 0;  // the dialog starts on the table's first entry
    request.fileName = UpToNul(fileName_);
    request.flags = flags_;
    const auto& scripted = testing::Hooks().saveDialog;
    const std::optional<std::string> chosen = scripted ? scripted(request) : backend::ShowSaveDialog(owner_, request);
    if (!chosen) {
        if (cancelError_) Raise(ErrCancel);
        return;
    }
    fileName_ = WindowsPath(*chosen);
}

}  // namespace rt
