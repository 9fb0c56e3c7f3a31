// The shell's open call: a document or web address opened with the desktop's program for it.
#pragma once

#include <cstdint>

namespace platform {

constexpr int32_t SW_SHOWNORMAL = 1;
constexpr int32_t SE_ERR_FNF = 2;
constexpr int32_t SE_ERR_NOASSOC = 31;

// Opens lpFile (a web address, or a file path in Windows form, relative ones taken
// from lpDirectory) with the operation "open" (any case; null means open too). The
// program that opens it starts in lpDirectory when one is given. The texts are 8-bit
// (the locale's encoding); parameters and show command are not used here. Returns a
// value above 32 on success, else SE_ERR_FNF for a missing file or SE_ERR_NOASSOC.
int32_t ShellExecuteA(int32_t hwnd, const char* lpOperation, const char* lpFile, const char* lpParameters,
                      const char* lpDirectory, int32_t nShowCmd);

}  // namespace platform
