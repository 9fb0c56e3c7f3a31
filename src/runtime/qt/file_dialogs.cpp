// The Qt file dialogs: one helper for both the save dialog and the open call's dialog.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>

#include "platform/get_open_file_name.h"
#include "runtime/backend.h"
#include "runtime/common_dialog.h"
#include "runtime/form.h"
#include "runtime/open_file_name.h"
#include "runtime/qt/host_file.h"
#include "runtime/qt/peers.h"
#include "runtime/strings.h"

namespace rt {

namespace {

// What differs between the two dialogs.
struct FileDialogSpec {
    QWidget* owner = nullptr;
    QString title;
    bool save = false;
    bool mustExist = false;         // open: only an existing file
    bool showPatterns = true;       // the type list shows "description (patterns)"
    bool hideEmptyTypeList = false;  // without filters, no type list at all
    QStringList filters;            // QFileDialog's "description (patterns)"; empty: no type list
    int filterIndex = 0;            // from 0
    QString folder;                 // empty: the user's pictures, else home
    QString startFile;              // host path of the starting name, or empty
};

// Not the working folder: a program started from a menu has "/" or its own folder there.
QString DefaultDialogFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir(pictures).exists()) return pictures;
    return QDir::homePath();
}

// Qt lists no file whose name is not UTF-8 and finds none by such a name. Typed as it
// reads (U+FFFD for what is not text), an existing file to open is taken when it is there.
class FileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    void accept() override {
        const QStringList files = selectedFiles();
        if (fileMode() == ExistingFile && files.size() == 1 && !QFileInfo::exists(files.first()) &&
            HostFileInfo(HostBytesOf(files.first())).isFile()) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

// Shows the modal dialog; returns the host path confirmed (its bytes), or nothing for a cancel.
std::optional<std::string> RunFileDialog(const FileDialogSpec& spec) {
    FileDialog dialog(spec.owner, spec.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!spec.showPatterns) dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Qt's dialog has no read-only check box, so the open call's "hide read-only" needs nothing.
    dialog.setFileMode(spec.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!spec.filters.isEmpty()) {
        dialog.setNameFilters(spec.filters);
        dialog.selectNameFilter(spec.filters.value(spec.filterIndex, spec.filters.first()));
    } else if (spec.hideEmptyTypeList) {
        // No file types at all: the list and its label go.
        if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) combo->hide();
        if (auto* label = dialog.findChild<QLabel*>(QStringLiteral("fileTypeLabel"))) label->hide();
    }
    dialog.setDirectory(spec.folder.isEmpty() ? DefaultDialogFolder() : spec.folder);
    if (!spec.startFile.isEmpty()) {
        const QFileInfo start(spec.startFile);
        if (start.absoluteDir().exists()) dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return HostBytesOf(dialog.selectedFiles().first());
}

// "description (patterns)" from a save filter entry. The table separates patterns with
// ";"; "*.*" means every file, also those without a dot.
QString SaveNameFilter(const std::pair<std::u16string, std::u16string>& entry) {
    QStringList patterns = QString::fromStdU16String(entry.second).split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
        p = p.trimmed();
        if (p == u"*.*") p = QStringLiteral("*");
    }
    return QString::fromStdU16String(entry.first) + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

// The open record's "description\0pattern\0...\0\0" as "description (patterns)" filters.
QStringList OpenNameFilters(platform::LPSTR32 address) {
    QStringList filters;
    const std::string* block = platform::AnsiAt(address);
    if (!block) return filters;
    size_t at = 0;
    while (at < block->size()) {
        const std::string description(block->c_str() + at);
        if (description.empty()) break;
        at += description.size() + 1;
        if (at >= block->size()) break;
        const std::string pattern(block->c_str() + at);
        at += pattern.size() + 1;
        QString patterns = QString::fromStdU16String(FromAnsi(pattern)).replace(u';', u' ');
        filters << QString::fromStdU16String(FromAnsi(description)) + QStringLiteral(" (") + patterns + u')';
    }
    return filters;
}

QString HostOf(const std::u16string& windowsPath) { return QString::fromStdString(HostPath(windowsPath)); }

}  // namespace

std::optional<std::string> backend::ShowSaveDialog(Form& owner, const SaveDialogRequest& request) {
    FileDialogSpec spec;
    spec.owner = &WindowOf(owner);
    spec.title = QString::fromStdU16String(request.title);
    spec.save = true;
    // The list shows the table's descriptions exactly; the patterns stay behind them.
    spec.showPatterns = false;
    for (const auto& entry : request.filters) spec.filters << SaveNameFilter(entry);
    spec.filterIndex = request.filterIndex;
    if (!request.fileName.empty()) spec.startFile = HostOf(request.fileName);
    return RunFileDialog(spec);
}

int32_t backend::ShowOpenDialog(platform::OPENFILENAMEA& record) {
    FileDialogSpec spec;
    if (Form* form = FormFromHandle(record.hwndOwner)) spec.owner = &WindowOf(*form);
    spec.title = QString::fromStdU16String(FromAnsi(AnsiText(record.lpstrTitle)));
    if (spec.title.isEmpty()) spec.title = QStringLiteral("Open");
    spec.mustExist = (record.Flags & platform::OFN_FILEMUSTEXIST) != 0;
    spec.filters = OpenNameFilters(record.lpstrFilter);
    spec.hideEmptyTypeList = true;
    spec.filterIndex = record.nFilterIndex > 0 ? int(record.nFilterIndex) - 1 : 0;
    const std::string initialDir = AnsiText(record.lpstrInitialDir);
    if (!initialDir.empty()) spec.folder = HostOf(FromAnsi(initialDir));
    const std::string start = AnsiText(record.lpstrFile);
    if (!start.empty()) spec.startFile = HostOf(FromAnsi(start));
    const std::optional<std::string> chosen = RunFileDialog(spec);
    return chosen ? StoreOpenChoice(record, *chosen) : 0;
}

}  // namespace rt
