// Text conversions at the runtime's edges: the program's strings are UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace rt {

std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);
// Appends the text of UTF-8 bytes; each byte that is not part of valid UTF-8 reads U+FFFD.
void AppendFromUtf8(std::u16string& out, std::string_view bytes);

// The 8-bit text that the system calls take (backend). On Linux: UTF-8, which also
// carries what a path holds besides text (see WindowsPath), so that text -> 8-bit ->
// text is exact. On Windows: the system's ANSI code page.
std::string ToAnsi(const std::u16string& text);
std::u16string FromAnsi(const std::string& bytes);

// Text files are read in the locale's 8-bit encoding (backend): UTF-8 on Linux, where a
// byte that is not part of valid UTF-8 reads U+FFFD; the ANSI code page on Windows.
// Appends the text of such bytes.
void AppendFromFileText(std::u16string& out, std::string_view bytes);
// How many of these bytes decode without cutting a character in two (a block read from
// a file may end inside one).
size_t WholeFileTextCharacters(std::string_view bytes);

// Paths: the program speaks in Windows form ("\" between folders); the host in its own
// (backend). On Linux in bytes, "/" between folders: every host path maps and comes
// back byte for byte: a "\" inside a host name reads "＼" (U+FF3C, no separator), and a
// byte that is not part of valid UTF-8 travels as the lone surrogate U+DC00 + byte. On
// Windows a path keeps its form and its host text is UTF-8.
std::string HostPath(const std::u16string& windowsPath);
std::u16string WindowsPath(const std::string& hostPath);
// A path as the user's system writes it, for messages ("/home/ann/moon.jpg") (backend).
std::u16string ShownPath(const std::u16string& windowsPath);

// A path up to its first NUL: dialog buffers carry NUL padding behind the path.
std::u16string UpToNul(const std::u16string& text);

// Decimal text of a number, without blanks or leading zeros.
std::u16string Str(long long number);

}  // namespace rt
