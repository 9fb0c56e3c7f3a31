#include "runtime/qt/drop_data.h"

#include <QMimeData>
#include <QUrl>

#include "runtime/strings.h"

namespace rt {

namespace {

// The path's bytes exactly as the URL encodes them: a name that is not UTF-8 arrives
// as %XX escapes that QUrl's text would turn into U+FFFD.
std::string HostBytesOfUrl(const QUrl& url) {
    QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!url.host().isEmpty()) bytes.prepend("//" + url.host().toUtf8());  // file://server/share
    return bytes.toStdString();
}

}  // namespace

DataObject DataObjectFromMime(const QMimeData* mime) {
    // A uri-list with no entries is an empty file list, not "no file list".
    if (!mime || !mime->hasFormat(QStringLiteral("text/uri-list"))) return {};
    const QList<QUrl> urls = mime->urls();
    std::vector<std::u16string> paths;
    paths.reserve(size_t(urls.size()));
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) return {};
        paths.push_back(WindowsPath(HostBytesOfUrl(url)));
    }
    return DataObject::WithFiles(std::move(paths));
}

}  // namespace rt
