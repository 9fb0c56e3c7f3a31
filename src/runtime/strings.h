// Text conversions at the runtime's edges: the program's strings are UTF-16.
#pragma once

#include <string>

namespace rt {

std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

// The 8-bit text that the system calls take: the locale's encoding, UTF-8 on Linux, the
// ANSI code page on Windows (backend).
std::string ToAnsi(const std::u16string& text);
std::u16string FromAnsi(const std::string& bytes);

// Paths: the program speaks in Windows form ("\" between folders); the host in its own
// (backend).
std::string HostPath(const std::u16string& windowsPath);
std::u16string WindowsPath(const std::string& hostPath);

// A path up to its first NUL: dialog buffers carry NUL padding behind the path.
std::u16string UpToNul(const std::u16string& text);

// Decimal text of a number, without blanks or leading zeros.
std::u16string Str(long long number);

}  // namespace rt
