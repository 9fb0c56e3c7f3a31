#include "runtime/file_input.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <map>
#include <memory>

#include "runtime/errors.h"
#include "runtime/strings.h"

namespace rt {

namespace {

constexpr int kMaxFileNumber = 511;
constexpr qint64 kChunk = 64 * 1024;
int64_t faultAfter = -1;

// One file open for input: read in chunks, so that a large file costs no more memory
// than a chunk and every byte is looked at once.
struct InputFile {
    std::u16string path;  // Windows form, for messages
    QFile file;
    QByteArray buffer;
    qsizetype pos = 0;
    qint64 consumed = 0;
    bool drained = false;

    int Peek() {
        if (pos < buffer.size()) return uchar(buffer[pos]);
        Refill();
        return pos < buffer.size() ? uchar(buffer[pos]) : -1;
    }
    int Get() {
        const int c = Peek();
        if (c >= 0) ++pos;
        return c;
    }
    void Refill() {
        if (drained) return;
        qint64 want = kChunk;
        if (faultAfter >= 0) {
            if (consumed >= faultAfter && !file.atEnd()) Raise(ErrDeviceIO, path + u" (the read failed)");
            want = std::min<qint64>(want, std::max<qint64>(faultAfter - consumed, 1));
        }
        buffer.resize(want);
        const qint64 got = file.read(buffer.data(), want);
        if (got < 0) {
            buffer.clear();
            Raise(ErrDeviceIO, path + u" (" + file.errorString().toStdU16String() + u")");
        }
        buffer.resize(got);
        pos = 0;
        consumed += got;
        if (got == 0) drained = true;
    }
};

std::map<int, std::unique_ptr<InputFile>>& Files() {
    static std::map<int, std::unique_ptr<InputFile>> files;
    return files;
}

void CheckNumber(int n) {
    if (n < 1 || n > kMaxFileNumber) Raise(ErrBadFileNameOrNumber, u"#" + Str(n));
}

InputFile& Opened(int n) {
    CheckNumber(n);
    auto it = Files().find(n);
    if (it == Files().end()) Raise(ErrBadFileNameOrNumber, u"#" + Str(n) + u" (not open)");
    return *it->second;
}

bool Blank(int c) { return c == ' ' || c == '\t'; }
bool Delimiter(int c) { return c == ',' || c == '\r' || c == '\n'; }

// A decimal number as it may stand in a text file: sign, digits, point, exponent.
bool LooksNumeric(const QByteArray& s) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    qsizetype digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        qsizetype exp = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == n;
}

}  // namespace

void OpenForInput(const std::u16string& path, int fileNumber) {
    CheckNumber(fileNumber);
    if (Files().count(fileNumber)) Raise(ErrFileAlreadyOpen, u"#" + Str(fileNumber));
    const std::u16string shown = UpToNul(path);
    if (shown.empty()) Raise(ErrPathFileAccess, u"(no file name)");
    const QString host = QString::fromStdString(HostPath(path));
    const QFileInfo info(host);
    if (!info.exists()) {
        if (!info.absoluteDir().exists()) Raise(ErrPathNotFound, shown + u" (no such folder)");
        Raise(ErrFileNotFound, shown);
    }
    if (info.isDir()) Raise(ErrPathFileAccess, shown + u" (is a folder)");
    auto f = std::make_unique<InputFile>();
    f->path = shown;
    f->file.setFileName(host);
    if (!f->file.open(QIODevice::ReadOnly))
        Raise(ErrPermissionDenied, shown + u" (" + f->file.errorString().toStdU16String() + u")");
    Files()[fileNumber] = std::move(f);
}

bool Eof(int fileNumber) { return Opened(fileNumber).Peek() < 0; }

void Input(int fileNumber, Variant& field) {
    InputFile& f = Opened(fileNumber);
    int c = f.Peek();
    if (c < 0) Raise(ErrInputPastEnd, f.path);
    while (Blank(c)) {
        f.Get();
        c = f.Peek();
    }

    QByteArray bytes;
    const bool quoted = c == '"';
    if (quoted) {
        f.Get();
        while ((c = f.Get()) >= 0 && c != '"') bytes.append(char(c));
        // Whatever stands between the closing quote and the delimiter is dropped.
        while ((c = f.Peek()) >= 0 && !Delimiter(c)) f.Get();
    } else {
        while ((c = f.Peek()) >= 0 && !Delimiter(c)) {
            bytes.append(char(c));
            f.Get();
        }
        qsizetype end = bytes.size();
        while (end > 0 && Blank(bytes[end - 1])) --end;
        bytes.truncate(end);
    }
    // The delimiter; CR LF is one line end.
    if (f.Get() == '\r' && f.Peek() == '\n') f.Get();

    if (quoted)
        field = FromAnsi(bytes.toStdString());
    else if (bytes.isEmpty())
        field = std::monostate{};
    else if (LooksNumeric(bytes))
        field = bytes.toDouble();
    else
        field = FromAnsi(bytes.toStdString());
}

void Close(int fileNumber) { Files().erase(fileNumber); }

void Reset() { Files().clear(); }

std::u16string TextOf(const Variant& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) return *text;
    if (const auto* number = std::get_if<double>(&value)) {
        const double d = *number;
        if (d == std::floor(d) && std::fabs(d) < 1e15) return Str((long long)d);
        return QString::number(d, 'g', 15).toUpper().toStdU16String();
    }
    return {};
}

void FailInputReadsAfter(int64_t bytes) { faultAfter = bytes; }

}  // namespace rt
