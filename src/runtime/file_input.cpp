#include "runtime/file_input.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

#include "runtime/errors.h"
#include "runtime/file_input_host.h"
#include "runtime/paint_now.h"
#include "runtime/picture_limits.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace rt {

namespace {

constexpr int kMaxFileNumber = 511;
constexpr ptrdiff_t kBlock = 64 * 1024;
// While a long read runs, the window is painted this often.
constexpr std::chrono::milliseconds kPaintEvery{50};
// A number's text is never longer than this: what a numeric field may add to the text.
constexpr int64_t kNumberChars = 24;
// Text of this many characters or more asks for large pages.
constexpr size_t kLargeText = size_t(16) << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::u16string Reason(int error) { return FromUtf8(std::strerror(error)); }

bool Delimiter(int c) { return c == ',' || c == '\r' || c == '\n'; }

bool Ascii(std::string_view bytes) {
    unsigned char any = 0;
    for (char c : bytes) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// Where the field starting at bytes[0] ends within size bytes (size when not there):
// a quoted field at its closing quote, any other at a comma or a line end. Eight bytes
// are looked at a time, a word's bytes that equal b showing as its top bits set.
ptrdiff_t FindStopIn(const char* bytes, ptrdiff_t size, bool quoted) {
    if (quoted) {
        const void* quote = std::memchr(bytes, '"', size_t(size));
        return quote ? static_cast<const char*>(quote) - bytes : size;
    }
    constexpr uint64_t kOnes = 0x0101010101010101u, kTops = 0x8080808080808080u;
    auto equal = [](uint64_t word, char b) {
        const uint64_t v = word ^ (kOnes * static_cast<unsigned char>(b));
        return (v - kOnes) & ~v & kTops;
    };
    ptrdiff_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (equal(word, ',') | equal(word, '\r') | equal(word, '\n')) break;
    }
    for (; i < size; ++i)
        if (Delimiter(bytes[i])) return i;
    return size;
}

// Paints the window now and then while a long read keeps the handler busy.
void PaintWhileReading() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last{};
    if (last != Clock::time_point{} && Clock::now() - last < kPaintEvery) return;
    PaintPendingEvents();
    last = Clock::now();
}

// Makes room for so many characters. Text of many megabytes is written once from end
// to end: it asks for large pages.
void Reserve(std::u16string& text, int64_t chars) {
    text.reserve(size_t(chars));
    if (text.capacity() >= kLargeText) PreferLargePages(text.data(), text.capacity() * sizeof(char16_t));
}

// One file open for input, read a block at a time; a field is found by scanning the
// block and decoded straight from it into the field's string.
struct InputFile {
    std::u16string path;  // as the user's system writes it, for messages
    std::filesystem::path host;  // the file, to ask its size
    std::unique_ptr<std::FILE, FileCloser> file;
    bool sequential = false;  // a pipe or device: no size, no seeking
    std::unique_ptr<char[]> block{new char[kBlock]};
    ptrdiff_t pos = 0, end = 0;  // the unread bytes are block[pos, end)
    int64_t blockOffset = 0;     // where block[0] stands in the file
    bool drained = false;
    // Characters the text read so far may take, a line end counted with every field.
    int64_t textChars = 0;
    int64_t textBound = 0;

    int Peek() {
        if (pos < end) [[likely]]
            return static_cast<unsigned char>(block[pos]);
        return Refill() ? static_cast<unsigned char>(block[pos]) : -1;
    }

    // Moves the unread bytes to the block's start and reads more behind them; false
    // when nothing more came (the file's end, or a block full of unread bytes).
    bool Refill() {
        if (drained || end - pos == kBlock) return false;
        PaintWhileReading();
        std::memmove(block.get(), block.get() + pos, size_t(end - pos));
        blockOffset += pos;
        end -= pos;
        pos = 0;
        const int64_t got = Read(block.get() + end, kBlock - end);
        if (got == 0) drained = true;
        end += got;
        return got > 0;
    }

    bool AtEnd() {
        const int c = std::fgetc(file.get());
        if (c == EOF) return true;
        std::ungetc(c, file.get());
        return false;
    }

    int64_t Size() const {
        std::error_code ec;
        const auto size = std::filesystem::file_size(host, ec);
        return ec ? 0 : int64_t(size);
    }

    int64_t Read(char* into, int64_t want) {
        const int64_t at = blockOffset + end;
        const int64_t faultAfter = testing::Hooks().failInputReadsAfter;
        if (faultAfter >= 0) {
            if (at >= faultAfter && !AtEnd()) Raise(ErrDeviceIO, path + u" (the read failed)");
            want = std::min<int64_t>(want, std::max<int64_t>(faultAfter - at, 1));
        }
        errno = 0;
        const size_t got = std::fread(into, 1, size_t(want), file.get());
        if (got < size_t(want) && std::ferror(file.get())) Raise(ErrDeviceIO, path + u" (" + Reason(errno) + u")");
        return int64_t(got);
    }

    void SeekTo(int64_t offset) {
        errno = 0;
        if (!SeekFile(file.get(), offset)) Raise(ErrDeviceIO, path + u" (" + Reason(errno) + u")");
        blockOffset = offset;
        pos = end = 0;
        drained = false;
    }

    // Room for text of so many characters and the text of the bytes still unread
    // (about a character a byte, a little more where commas become line ends),
    // within the bound.
    int64_t ExpectedText(int64_t chars) const {
        const int64_t unread = std::max<int64_t>(Size() - blockOffset - pos, 0);
        return std::min(chars + unread + unread / 4, std::max(textBound, chars)) + kBlock;
    }

    // Text past the bound would not fit in the memory left: the read stops before
    // it is made.
    void CheckRoom(int64_t chars) const {
        if (textChars + chars > textBound) Raise(ErrOutOfMemory, path + u" (the text is too large)");
    }
    void Take(int64_t chars) {
        CheckRoom(chars);
        textChars += chars;
    }

    // Appends the decoded bytes (the locale's 8-bit encoding) to out; a string grows
    // only by what the bytes need.
    void Decode(std::string_view bytes, std::u16string& out) {
        const size_t old = out.size();
        if (Ascii(bytes)) {
            out.resize(old + bytes.size());
            std::copy(bytes.begin(), bytes.end(), out.begin() + ptrdiff_t(old));
            return;
        }
        AppendFromFileText(out, bytes);
    }

    // Steps over what ends a field: a closing quote and whatever stands between it and
    // the delimiter; then the delimiter, CR LF being one line end.
    void SkipDelimiter(bool quoted) {
        int c;
        if (quoted) {
            if (Peek() == '"') ++pos;
            while ((c = Peek()) >= 0 && !Delimiter(c)) ++pos;
        }
        c = Peek();
        if (c >= 0) ++pos;
        if (c == '\r' && Peek() == '\n') ++pos;
    }

    // The index of the byte that ends the field starting at pos, reading on while the
    // block has room; end when the file ends first, -1 when the field fills the block.
    ptrdiff_t FindStop(bool quoted) {
        for (ptrdiff_t from = pos;;) {
            const ptrdiff_t i = from + FindStopIn(block.get() + from, end - from, quoted);
            if (i < end) return i;
            const ptrdiff_t scanned = end - pos;
            if (!Refill()) return drained ? end : -1;
            from = pos + scanned;
        }
    }

    // A field longer than a block. A file that can seek is walked to the field's end
    // first, so that the field's string is made once at its final size, with room for
    // the text read before it and a line end (see AppendTextOf); a pipe is decoded as it comes.
    void ReadLongField(bool quoted, std::u16string& out) {
        const bool measure = !sequential;
        if (measure) {
            const int64_t start = blockOffset + pos;
            Take(Scan(quoted, nullptr, false) + 2);
            Reserve(out, ExpectedText(textChars));
            SeekTo(start);
        }
        Scan(quoted, &out, !measure);
        if (!measure) Take(int64_t(out.size()) + 2);
    }

    // Walks the field to its end a block at a time, decoding into out when given;
    // returns its length in bytes.
    int64_t Scan(bool quoted, std::u16string* out, bool checkAsItGrows) {
        int64_t length = 0;
        for (;;) {
            const ptrdiff_t stop = pos + FindStopIn(block.get() + pos, end - pos, quoted);
            const bool found = stop < end;
            // A character cut by the block's end waits for the next block.
            const ptrdiff_t cut = found || drained
                                      ? stop
                                      : pos + ptrdiff_t(WholeFileTextCharacters(
                                                  std::string_view(block.get() + pos, size_t(stop - pos))));
            if (out) {
                if (checkAsItGrows) CheckRoom(int64_t(out->size()) + (cut - pos) + 2);
                Decode(std::string_view(block.get() + pos, size_t(cut - pos)), *out);
            }
            length += cut - pos;
            pos = cut;
            if (found || (!Refill() && pos == end)) return length;
        }
    }
};

std::map<int, std::unique_ptr<InputFile>>& Files() {
    static std::map<int, std::unique_ptr<InputFile>> files;
    return files;
}

// The file last asked for, found again without a search: a read asks for it twice a
// field.
int lastNumber = 0;
InputFile* last = nullptr;

void CheckNumber(int n) {
    if (n < 1 || n > kMaxFileNumber) Raise(ErrBadFileNameOrNumber, u"#" + Str(n));
}

InputFile& Opened(int n) {
    if (n == lastNumber && last) return *last;
    CheckNumber(n);
    auto it = Files().find(n);
    if (it == Files().end()) Raise(ErrBadFileNameOrNumber, u"#" + Str(n) + u" (not open)");
    lastNumber = n;
    last = it->second.get();
    return *last;
}

// A decimal number as it may stand in a text file: sign, digits, point, exponent.
template <class Text>
bool LooksNumeric(const Text& s) {
    size_t i = 0;
    const size_t n = s.size();
    auto digit = [&](size_t k) { return k < n && s[k] >= '0' && s[k] <= '9'; };
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

// The value of text that LooksNumeric accepted; past the range of a double, what the
// toolkit's conversion makes of it (an infinity or zero).
template <class Text>
double NumberOf(const Text& s) {
    // Whole numbers of up to 15 digits, the most common, are exact in a double.
    const bool negative = s[0] == '-';
    const size_t first = s[0] == '+' || negative ? 1 : 0;
    if (s.size() - first <= 15) {
        int64_t whole = 0;
        size_t i = first;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) whole = whole * 10 + (s[i] - '0');
        if (i == s.size()) return negative ? -double(whole) : double(whole);
    }
    // Otherwise the sign goes with the digits, except a plus, which the parser refuses.
    const size_t from = s[0] == '+' ? 1 : 0;
    char ascii[64];
    double value = 0;
    if (s.size() - from <= sizeof ascii) {
        std::copy(s.begin() + ptrdiff_t(from), s.end(), ascii);
        if (std::from_chars(ascii, ascii + (s.size() - from), value).ec == std::errc()) return value;
    }
    // Past the range of a double: zero, as the toolkit's conversion has always made it.
    const std::string bytes(s.begin() + ptrdiff_t(from), s.end());
    const auto [end, error] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), value);
    (void)end;
    return error == std::errc() ? value : 0.0;
}

// The variant's string, made empty, keeping its storage when it held one.
std::u16string& EmptyStringIn(Variant& field) {
    if (auto* text = std::get_if<std::u16string>(&field)) {
        text->clear();
        return *text;
    }
    return field.emplace<std::u16string>();
}

// The length of the value's text, or more: what the field adds to collected text.
int64_t CharsOf(const Variant& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) return int64_t(text->size());
    if (const auto* number = std::get_if<double>(&value)) {
        // Whole numbers are written out in digits; any other takes at most kNumberChars.
        const double d = std::fabs(*number);
        if (d != std::floor(d) || d >= 1e15) return kNumberChars;
        int64_t chars = *number < 0 ? 2 : 1;
        for (double power = 10; power <= d; power *= 10) ++chars;
        return chars;
    }
    return 0;
}

// Writes a number as text ("12", "0.5", "1E+20") and returns its end.
char* NumberText(double d, char (&digits)[32]) {
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return std::to_chars(digits, digits + sizeof digits, (long long)d).ptr;
    char* end = std::to_chars(digits, digits + sizeof digits, d, std::chars_format::general, 15).ptr;
    std::replace(digits, end, 'e', 'E');
    return end;
}

}  // namespace

void OpenForInput(const std::u16string& path, int fileNumber) {
    CheckNumber(fileNumber);
    if (Files().count(fileNumber)) Raise(ErrFileAlreadyOpen, u"#" + Str(fileNumber));
    const std::u16string shown = ShownPath(path);
    if (shown.empty()) Raise(ErrPathFileAccess, u"(no file name)");
    namespace fs = std::filesystem;
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
    f->host = host;
    f->sequential = !fs::is_regular_file(status);
    errno = 0;
    f->file.reset(OpenBytes(host));
    if (!f->file) Raise(ErrPermissionDenied, shown + u" (" + Reason(errno) + u")");
    // The text is bounded like a picture: by the memory the program may take now.
    const int64_t boundForTests = testing::Hooks().inputTextBound;
    f->textBound = (boundForTests >= 0 ? boundForTests : PictureByteBound()) / 2;
    Files()[fileNumber] = std::move(f);
}

bool Eof(int fileNumber) { return Opened(fileNumber).Peek() < 0; }

void Input(int fileNumber, Variant& field) {
    InputFile& f = Opened(fileNumber);
    int c = f.Peek();
    if (c < 0) Raise(ErrInputPastEnd, f.path);
    while (c == ' ' || c == '\t') {
        ++f.pos;
        c = f.Peek();
    }
    const bool quoted = c == '"';
    if (quoted) ++f.pos;

    const ptrdiff_t stop = f.FindStop(quoted);
    if (stop >= 0) {
        // The field is in the block: typed from its bytes, decoded straight into the
        // variant's string.
        std::string_view bytes(f.block.get() + f.pos, size_t(stop - f.pos));
        if (!quoted)
            while (!bytes.empty() && (bytes.back() == ' ' || bytes.back() == '\t')) bytes.remove_suffix(1);
        if (!quoted && bytes.empty()) {
            field = std::monostate{};
        } else if (!quoted && LooksNumeric(bytes)) {
            field = NumberOf(bytes);
        } else {
            // As the locale's conversion does, a byte order mark in front is dropped.
            if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
            f.Decode(bytes, EmptyStringIn(field));
        }
        f.Take(CharsOf(field) + 2);
        f.pos = stop;
    } else {
        std::u16string& text = EmptyStringIn(field);
        f.ReadLongField(quoted, text);
        if (text.starts_with(u'\xFEFF')) text.erase(0, 1);
        if (!quoted) {
            while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
            if (text.empty())
                field = std::monostate{};
            else if (LooksNumeric(text))
                field = NumberOf(text);
        }
    }
    f.SkipDelimiter(quoted);
}

void Close(int fileNumber) {
    last = nullptr;
    Files().erase(fileNumber);
}

void Reset() {
    last = nullptr;
    Files().clear();
}

std::u16string TextOf(const Variant& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) return *text;
    if (const auto* number = std::get_if<double>(&value)) {
        char digits[32];
        return std::u16string(digits, NumberText(*number, digits));
    }
    return {};
}

void AppendTextOf(std::u16string& text, Variant& field, int fileNumber) {
    auto* more = std::get_if<std::u16string>(&field);
    // A long field comes with room for the text before it: it takes that text in
    // front and becomes the text, which is then held once, not twice.
    if (more && more->size() > text.size() && more->capacity() >= text.size() + more->size() + 2) {
        more->insert(0, text);
        text = std::move(*more);
        return;
    }
    // Text collected from a file has about as many characters as the file has bytes:
    // room for that is made once, instead of the text being copied each time it
    // outgrows its storage. Pages never written cost no memory.
    if (text.capacity() < size_t(kBlock)) Reserve(text, Opened(fileNumber).ExpectedText(0));
    if (more)
        text += *more;
    else if (const auto* number = std::get_if<double>(&field)) {
        char digits[32];
        text.append(digits, NumberText(*number, digits));
    }
}

}  // namespace rt
