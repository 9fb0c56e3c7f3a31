// Splitting a Windows-form path into the pieces the program shows and tests.
#pragma once

#include <string>

// The text after the last "." anywhere in the path; empty when there is none.
std::u16string ExtensionOf(const std::u16string& path);
// The text after the last "\" in the path; empty when there is none.
std::u16string FileNameOf(const std::u16string& path);
