#include "runtime/common_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "runtime/errors.h"
#include "runtime/form.h"
#include "runtime/qt/form_widget.h"
#include "runtime/qt/default_folder.h"
#include "runtime/strings.h"

namespace rt {

namespace {

SaveDialogHandler scripted;

// "description (patterns)" as QFileDialog reads a name filter. The table separates
// patterns with ";"; "*.*" means every file, also those without a dot.
QString NameFilter(const std::pair<std::u16string, std::u16string>& entry) {
    QStringList patterns = QString::fromStdU16String(entry.second).split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
        p = p.trimmed();
        if (p == u"*.*") p = QStringLiteral("*");
    }
    return QString::fromStdU16String(entry.first) + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

std::optional<std::string> RunSaveDialog(QWidget* owner, const SaveDialogRequest& request) {
    QFileDialog dialog(owner, QString::fromStdU16String(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The list shows the table's descriptions exactly; the patterns stay behind them.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::ApplicationModal);
    QStringList filters;
    for (const auto& entry : request.filters) filters << NameFilter(entry);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(request.filterIndex, filters.first()));
    }
    dialog.setDirectory(DefaultDialogFolder());
    if (!request.fileName.empty()) {
        const QFileInfo start(QString::fromStdString(HostPath(request.fileName)));
        if (start.absoluteDir().exists()) dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

void SetSaveDialogHandler(SaveDialogHandler handler) { scripted = std::move(handler); }

std::vector<std::pair<std::u16string, std::u16string>> FilterEntries(const std::u16string& filter) {
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    const QStringList parts = QString::fromStdU16String(filter).split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.emplace_back(parts[i].toStdU16String(), parts[i + 1].toStdU16String());
    return entries;
}

void CommonDialog::ShowSave() {
    SaveDialogRequest request;
    request.title = u"Save As";
    request.filters = FilterEntries(filter_);
    request.filterIndex = filterIndex_ > 0 ? filterIndex_ - 1 : 0;
    request.fileName = UpToNul(fileName_);
    request.flags = flags_;
    const std::optional<std::string> chosen =
        scripted ? scripted(request) : RunSaveDialog(&owner_.Widget(), request);
    if (!chosen) {
        if (cancelError_) Raise(ErrCancel);
        return;
    }
    fileName_ = WindowsPath(*chosen);
}

}  // namespace rt
