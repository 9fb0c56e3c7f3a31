#include "app/runtime/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace rt {

ClipboardObject& Clipboard() {
    static ClipboardObject clipboard;
    return clipboard;
}

std::u16string ClipboardObject::GetText() const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    // A file list also comes with a text form (its URLs): only real plain text counts.
    if (!mime || !mime->hasText() || mime->hasUrls()) return {};
    return mime->text().toStdU16String();
}

void ClipboardObject::SetText(const std::u16string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text), QClipboard::Clipboard);
}

}  // namespace rt
