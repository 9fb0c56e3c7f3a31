#include "runtime/strings.h"

#include <QByteArray>
#include <QString>

namespace rt {

std::string ToUtf8(const std::u16string& text) {
    return QString::fromStdU16String(text).toStdString();
}

std::u16string FromUtf8(const std::string& text) {
    return QString::fromStdString(text).toStdU16String();
}

std::string ToAnsi(const std::u16string& text) {
    return QString::fromStdU16String(text).toLocal8Bit().toStdString();
}

std::u16string FromAnsi(const std::string& bytes) {
    return QString::fromLocal8Bit(QByteArray(bytes.data(), qsizetype(bytes.size()))).toStdU16String();
}

std::string HostPath(const std::u16string& windowsPath) {
    std::u16string p = UpToNul(windowsPath);
    for (auto& c : p)
        if (c == u'\\') c = u'/';
    return ToUtf8(p);
}

std::u16string WindowsPath(const std::string& hostPath) {
    std::u16string p = FromUtf8(hostPath);
    for (auto& c : p)
        if (c == u'/') c = u'\\';
    return p;
}

std::u16string UpToNul(const std::u16string& text) {
    auto nul = text.find(u'\0');
    return nul == std::u16string::npos ? text : text.substr(0, nul);
}

std::u16string Str(long long number) { return QString::number(number).toStdU16String(); }

}  // namespace rt
