#include "runtime/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace rt {

ClipboardObject& Clipboard() {
    static ClipboardObject clipboard;
    return clipboard;
}

std::u16string ClipboardObject::GetText() const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!mime || !mime->hasText()) return {};
    // A list of files copied in a file manager also has a text form (its URLs): that is
    // not text to paste. A copied web link is.
    if (mime->hasUrls()) {
        const QList<QUrl> urls = mime->urls();
        if (std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
            return {};
    }
    return mime->text().toStdU16String();
}

void ClipboardObject::SetText(const std::u16string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text), QClipboard::Clipboard);
}

}  // namespace rt
