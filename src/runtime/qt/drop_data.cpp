#include "runtime/qt/drop_data.h"

#include <QMimeData>
#include <QUrl>

#include "runtime/strings.h"

namespace rt {

DataObject DataObjectFromMime(const QMimeData* mime) {
    // A uri-list with no entries is an empty file list, not "no file list".
    if (!mime || !mime->hasFormat(QStringLiteral("text/uri-list"))) return {};
    const QList<QUrl> urls = mime->urls();
    std::vector<std::u16string> paths;
    paths.reserve(size_t(urls.size()));
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) return {};
        paths.push_back(WindowsPath(url.toLocalFile().toStdString()));
    }
    return DataObject::WithFiles(std::move(paths));
}

}  // namespace rt
