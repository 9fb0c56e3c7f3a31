// Sequential input on Windows: the file read in chunks through the system's wide-path
// calls, one delimited field at a time (the rules are those of file_input.h).
#include "runtime/file_input.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "runtime/errors.h"
#include "runtime/strings.h"
#include "runtime/win32/backend.h"

namespace rt {

namespace {

constexpr int kMaxFileNumber = 511;
constexpr DWORD kChunk = 64 * 1024;
int64_t faultAfter = -1;

struct InputFile {
    std::u16string path;  // for messages
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string buffer;
    size_t pos = 0;
    int64_t consumed = 0;
    bool drained = false;

    ~InputFile() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
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
    void Refill() {
        if (drained) return;
        DWORD want = kChunk;
        if (faultAfter >= 0) {
            LARGE_INTEGER size{};
            GetFileSizeEx(handle, &size);
            if (consumed >= faultAfter && consumed < size.QuadPart) Raise(ErrDeviceIO, path + u" (the read failed)");
            want = DWORD(std::min<int64_t>(want, std::max<int64_t>(faultAfter - consumed, 1)));
        }
        buffer.resize(want);
        DWORD got = 0;
        if (!ReadFile(handle, buffer.data(), want, &got, nullptr)) {
            buffer.clear();
            Raise(ErrDeviceIO, path + u" (the read failed)");
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
    auto digit = [&](size_t at) { return at < n && s[at] >= '0' && s[at] <= '9'; };
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (digit(i)) ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (digit(i)) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exp = 0;
        while (digit(i)) ++i, ++exp;
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
    const std::wstring wide = win32::Wide(shown);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) Raise(ErrPathNotFound, shown + u" (no such folder)");
        Raise(ErrFileNotFound, shown);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) Raise(ErrPathFileAccess, shown + u" (is a folder)");
    auto f = std::make_unique<InputFile>();
    f->path = shown;
    f->handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f->handle == INVALID_HANDLE_VALUE) Raise(ErrPermissionDenied, shown + u" (it cannot be opened)");
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
        while (!bytes.empty() && Blank(bytes.back())) bytes.pop_back();
    }
    // The delimiter; CR LF is one line end.
    if (f.Get() == '\r' && f.Peek() == '\n') f.Get();

    if (quoted)
        field = FromAnsi(bytes);
    else if (bytes.empty())
        field = std::monostate{};
    else if (LooksNumeric(bytes))
        field = std::strtod(bytes.c_str(), nullptr);
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
        char digits[32];
        std::snprintf(digits, sizeof digits, "%.15G", d);
        std::string s = digits;
        // "1E+020" from some runtimes: the exponent without leading zeros.
        const size_t e = s.find('E');
        if (e != std::string::npos) {
            size_t at = e + 2;
            while (at + 1 < s.size() && s[at] == '0') s.erase(at, 1);
        }
        return std::u16string(s.begin(), s.end());
    }
    return {};
}

void FailInputReadsAfter(int64_t bytes) { faultAfter = bytes; }

}  // namespace rt
