#include "runtime/file_input.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

#include "runtime/errors.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace rt {

namespace {

constexpr int kMaxFileNumber = 511;
constexpr int64_t kChunk = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::u16string Reason(int error) { return FromUtf8(std::strerror(error)); }

// One file open for input: read in chunks, so that a large file costs no more memory
// than a chunk and every byte is looked at once.
struct InputFile {
    std::u16string path;  // Windows form, for messages
    std::unique_ptr<std::FILE, FileCloser> file;
    std::string buffer;
    size_t pos = 0;
    int64_t consumed = 0;
    bool drained = false;

    int Peek() {
        if (pos < buffer.size()) return static_cast<unsigned char>(buffer[pos]);
        Refill();
        return pos < buffer.size() ? static_cast<unsigned char>(buffer[pos]) : -1;
    }
    int Get() {
        const int c = Peek();
        if (c >= 0) ++pos;
        return c;
    }
    bool AtEnd() {
        const int c = std::fgetc(file.get());
        if (c == EOF) return true;
        std::ungetc(c, file.get());
        return false;
    }
    void Refill() {
        if (drained) return;
        int64_t want = kChunk;
        const int64_t faultAfter = testing::Hooks().failInputReadsAfter;
        if (faultAfter >= 0) {
            if (consumed >= faultAfter && !AtEnd()) Raise(ErrDeviceIO, path + u" (the read failed)");
            want = std::min<int64_t>(want, std::max<int64_t>(faultAfter - consumed, 1));
        }
        buffer.resize(size_t(want));
        errno = 0;
        const size_t got = std::fread(buffer.data(), 1, size_t(want), file.get());
        if (got < size_t(want) && std::ferror(file.get())) {
            const int error = errno;
            buffer.clear();
            Raise(ErrDeviceIO, path + u" (" + Reason(error) + u")");
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
bool LooksNumeric(const std::string& s) {
    size_t i = 0;
    const size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exp = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == n;
}

// The value of a numeric field; one too large or too small for a double reads as 0.
double NumberOf(const std::string& s) {
    const char* begin = s.data() + (!s.empty() && s[0] == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(begin, s.data() + s.size(), value);
    (void)end;
    return error == std::errc() ? value : 0.0;
}

namespace fs = std::filesystem;

// The host path as the file system takes it. Its 8-bit text is UTF-8, which Windows
// reads in its wide form; fopen there takes the wide path.
fs::path FileSystemPath(const std::string& host) {
#ifdef _WIN32
    return fs::path(std::u8string(host.begin(), host.end()));
#else
    return fs::path(host);
#endif
}

std::FILE* OpenBytes(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

}  // namespace

void OpenForInput(const std::u16string& path, int fileNumber) {
    CheckNumber(fileNumber);
    if (Files().count(fileNumber)) Raise(ErrFileAlreadyOpen, u"#" + Str(fileNumber));
    const std::u16string shown = UpToNul(path);
    if (shown.empty()) Raise(ErrPathFileAccess, u"(no file name)");
    const fs::path host = FileSystemPath(HostPath(path));
    std::error_code ec;
    const fs::file_status status = fs::status(host, ec);
    if (!fs::exists(status)) {
        if (!fs::is_directory(fs::absolute(host, ec).parent_path(), ec))
            Raise(ErrPathNotFound, shown + u" (no such folder)");
        Raise(ErrFileNotFound, shown);
    }
    if (fs::is_directory(status)) Raise(ErrPathFileAccess, shown + u" (is a folder)");
    auto f = std::make_unique<InputFile>();
    f->path = shown;
    errno = 0;
    f->file.reset(OpenBytes(host));
    if (!f->file) Raise(ErrPermissionDenied, shown + u" (" + Reason(errno) + u")");
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

    std::string bytes;
    const bool quoted = c == '"';
    if (quoted) {
        f.Get();
        while ((c = f.Get()) >= 0 && c != '"') bytes += char(c);
        // Whatever stands between the closing quote and the delimiter is dropped.
        while ((c = f.Peek()) >= 0 && !Delimiter(c)) f.Get();
    } else {
        while ((c = f.Peek()) >= 0 && !Delimiter(c)) {
            bytes += char(c);
            f.Get();
        }
        size_t end = bytes.size();
        while (end > 0 && Blank(bytes[end - 1])) --end;
        bytes.resize(end);
    }
    // The delimiter; CR LF is one line end.
    if (f.Get() == '\r' && f.Peek() == '\n') f.Get();

    if (quoted)
        field = FromAnsi(bytes);
    else if (bytes.empty())
        field = std::monostate{};
    else if (LooksNumeric(bytes))
        field = NumberOf(bytes);
    else
        field = FromAnsi(bytes);
}

void Close(int fileNumber) { Files().erase(fileNumber); }

void Reset() { Files().clear(); }

std::u16string TextOf(const Variant& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) return *text;
    if (const auto* number = std::get_if<double>(&value)) {
        const double d = *number;
        if (d == std::floor(d) && std::fabs(d) < 1e15) return Str((long long)d);
        // Fifteen significant digits, exponent in capitals ("1.5E-07").
        char text[32];
        const auto [end, error] = std::to_chars(text, text + sizeof text, d, std::chars_format::general, 15);
        if (error != std::errc()) return {};
        std::u16string out;
        for (const char* p = text; p != end; ++p) out += char16_t(*p == 'e' ? 'E' : *p);
        return out;
    }
    return {};
}

}  // namespace rt
