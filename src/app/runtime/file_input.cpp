#include "app/runtime/file_input.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "app/runtime/errors.h"
#include "app/runtime/paint_now.h"
#include "app/runtime/picture_limits.h"
#include "app/runtime/qt/host_file.h"
#include "app/runtime/strings.h"

namespace rt {

namespace {

constexpr int kMaxFileNumber = 511;
constexpr qsizetype kBlock = 64 * 1024;
// While a long read runs, the window is painted this often (milliseconds).
constexpr qint64 kPaintEvery = 50;
// A number's text is never longer than this: what a numeric field may add to the text.
constexpr int64_t kNumberChars = 24;
int64_t faultAfter = -1;
int64_t textBoundForTests = -1;

bool Delimiter(int c) { return c == ',' || c == '\r' || c == '\n'; }

bool Ascii(std::string_view bytes) {
    uchar any = 0;
    for (char c : bytes) any |= uchar(c);
    return any < 0x80;
}

// Where the field starting at bytes[0] ends within size bytes (size when not there):
// a quoted field at its closing quote, any other at a comma or a line end. Eight bytes
// are looked at a time, a word's bytes that equal b showing as its top bits set.
qsizetype FindStopIn(const char* bytes, qsizetype size, bool quoted) {
    if (quoted) {
        const void* quote = std::memchr(bytes, '"', size_t(size));
        return quote ? static_cast<const char*>(quote) - bytes : size;
    }
    constexpr uint64_t kOnes = 0x0101010101010101u, kTops = 0x8080808080808080u;
    auto equal = [](uint64_t word, char b) {
        const uint64_t v = word ^ (kOnes * uchar(b));
        return (v - kOnes) & ~v & kTops;
    };
    qsizetype i = 0;
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
    static QElapsedTimer since;
    if (since.isValid() && since.elapsed() < kPaintEvery) return;
    PaintPendingEvents();
    since.start();
}

// Makes room for so many characters. Text of many megabytes asks for large pages: it
// is written once from end to end, and a page fault for every 4 KB costs more than
// the writing.
void Reserve(std::u16string& text, int64_t chars) {
    text.reserve(size_t(chars));
#ifdef __linux__
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    if (text.capacity() < 8 * kLargePage) return;
    const auto from = (reinterpret_cast<uintptr_t>(text.data()) + kLargePage - 1) & ~(kLargePage - 1);
    const auto to = reinterpret_cast<uintptr_t>(text.data() + text.capacity()) & ~(kLargePage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

// How many of these bytes decode without cutting a character in two: the locale's
// 8-bit encoding is UTF-8 here, whose characters take up to four bytes and never
// start with a 10xxxxxx byte.
qsizetype WholeCharacters(const char* bytes, qsizetype size) {
    for (qsizetype back = 1; back <= std::min<qsizetype>(4, size); ++back) {
        const uchar b = uchar(bytes[size - back]);
        if ((b & 0xC0) == 0x80) continue;
        if (b < 0xC0) return size;
        const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        return length > back ? size - back : size;
    }
    return size;
}

// One file open for input, read a block at a time; a field is found by scanning the
// block and decoded straight from it into the field's string.
struct InputFile {
    std::u16string path;  // as the user's system writes it, for messages
    HostFile file;
    std::unique_ptr<char[]> block{new char[kBlock]};
    qsizetype pos = 0, end = 0;  // the unread bytes are block[pos, end)
    qint64 blockOffset = 0;      // where block[0] stands in the file
    bool drained = false;
    // Characters the text read so far may take, a line end counted with every field.
    int64_t textChars = 0;
    int64_t textBound = 0;
    // The locale's 8-bit encoding, which is UTF-8 here.
    QStringDecoder decoder{QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};

    int Peek() {
        if (pos < end) [[likely]]
            return uchar(block[pos]);
        return Refill() ? uchar(block[pos]) : -1;
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
        const qint64 got = Read(block.get() + end, kBlock - end);
        if (got == 0) drained = true;
        end += got;
        return got > 0;
    }

    qint64 Read(char* into, qint64 want) {
        const qint64 at = blockOffset + end;
        if (faultAfter >= 0) {
            if (at >= faultAfter && !file.atEnd()) Raise(ErrDeviceIO, path + u" (the read failed)");
            want = std::min<qint64>(want, std::max<qint64>(faultAfter - at, 1));
        }
        const qint64 got = file.read(into, want);
        if (got < 0) Raise(ErrDeviceIO, path + u" (" + file.errorString().toStdU16String() + u")");
        return got;
    }

    void SeekTo(qint64 offset) {
        if (!file.seek(offset)) Raise(ErrDeviceIO, path + u" (" + file.errorString().toStdU16String() + u")");
        blockOffset = offset;
        pos = end = 0;
        drained = false;
    }

    // Room for text of so many characters and the text of the bytes still unread
    // (about a character a byte, a little more where commas become line ends),
    // within the bound.
    int64_t ExpectedText(int64_t chars) const {
        const int64_t unread = std::max<int64_t>(file.size() - blockOffset - pos, 0);
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

    // Appends the decoded bytes to out; a string grows only by what the bytes need.
    void Decode(std::string_view bytes, std::u16string& out) {
        const size_t old = out.size();
        if (Ascii(bytes)) {
            out.resize(old + bytes.size());
            std::copy(bytes.begin(), bytes.end(), out.begin() + ptrdiff_t(old));
            return;
        }
        out.resize(old + size_t(decoder.requiredSpace(bytes.size())));
        auto* start = reinterpret_cast<QChar*>(out.data());
        out.resize(size_t(decoder.appendToBuffer(start + old, QByteArrayView(bytes)) - start));
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
    qsizetype FindStop(bool quoted) {
        for (qsizetype from = pos;;) {
            const qsizetype i = from + FindStopIn(block.get() + from, end - from, quoted);
            if (i < end) return i;
            const qsizetype scanned = end - pos;
            if (!Refill()) return drained ? end : -1;
            from = pos + scanned;
        }
    }

    // A field longer than a block. A file that can seek is walked to the field's end
    // first, so that the field's string is made once at its final size, with room for
    // the text read before it and a line end (see AppendTextOf); a pipe is decoded as it comes.
    void ReadLongField(bool quoted, std::u16string& out) {
        const bool measure = !file.isSequential();
        if (measure) {
            const qint64 start = blockOffset + pos;
            Take(Scan(quoted, nullptr, false) + 2);
            Reserve(out, ExpectedText(textChars));
            SeekTo(start);
        }
        Scan(quoted, &out, !measure);
        if (!measure) Take(int64_t(out.size()) + 2);
    }

    // Walks the field to its end a block at a time, decoding into out when given;
    // returns its length in bytes.
    qint64 Scan(bool quoted, std::u16string* out, bool checkAsItGrows) {
        qint64 length = 0;
        for (;;) {
            const qsizetype stop = pos + FindStopIn(block.get() + pos, end - pos, quoted);
            const bool found = stop < end;
            // A character cut by the block's end waits for the next block.
            const qsizetype cut = found || drained ? stop : pos + WholeCharacters(block.get() + pos, stop - pos);
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
    std::string bytes(s.begin(), s.end());
    return QByteArray::fromStdString(bytes).toDouble();
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
    const std::string host = HostPath(path);
    const HostFileInfo info(host);
    if (!info.exists()) {
        if (!info.folderExists()) Raise(ErrPathNotFound, shown + u" (no such folder)");
        Raise(ErrFileNotFound, shown);
    }
    if (info.isDir()) Raise(ErrPathFileAccess, shown + u" (is a folder)");
    auto f = std::make_unique<InputFile>();
    f->path = shown;
    f->file.setHostPath(host);
    if (!f->file.open(QIODevice::ReadOnly))
        Raise(ErrPermissionDenied, shown + u" (" + f->file.errorString().toStdU16String() + u")");
    // The text is bounded like a picture: by the memory the program may take now.
    f->textBound = (textBoundForTests >= 0 ? textBoundForTests : PictureByteBound()) / 2;
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

    const qsizetype stop = f.FindStop(quoted);
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

void FailInputReadsAfter(int64_t bytes) { faultAfter = bytes; }

void LimitInputText(int64_t bytes) { textBoundForTests = bytes; }

}  // namespace rt
