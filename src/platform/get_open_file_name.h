// The open-file dialog call and its 76-byte record.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr uint32_t OFN_READONLY = 0x1;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x1000;

// A 32-bit address of 8-bit text, as the record holds it; 0 is the null pointer. On a
// 64-bit host the addresses name blocks that AnsiAlloc keeps; on i686 Windows they are
// the blocks' real addresses, so the record is the system's own.
using LPSTR32 = uint32_t;

// The record as the call takes it: 32-bit fields at the platform's offsets.
struct OPENFILENAMEA {
    uint32_t lStructSize;
    int32_t hwndOwner;
    int32_t hInstance;
    LPSTR32 lpstrFilter;
    LPSTR32 lpstrCustomFilter;
    uint32_t nMaxCustFilter;
    uint32_t nFilterIndex;
    LPSTR32 lpstrFile;
    uint32_t nMaxFile;
    LPSTR32 lpstrFileTitle;
    uint32_t nMaxFileTitle;
    LPSTR32 lpstrInitialDir;
    LPSTR32 lpstrTitle;
    uint32_t Flags;
    uint16_t nFileOffset;
    uint16_t nFileExtension;
    LPSTR32 lpstrDefExt;
    int32_t lCustData;
    uint32_t lpfnHook;
    LPSTR32 lpTemplateName;
};
static_assert(sizeof(OPENFILENAMEA) == 76, "the record is passed in its 76-byte form");

// 8-bit text blocks behind 32-bit addresses: what the record's text fields point at.
LPSTR32 AnsiAlloc(std::string bytes);
std::string* AnsiAt(LPSTR32 address);  // nullptr for 0 or an address not handed out
void AnsiFree(LPSTR32 address);

// Shows the open dialog the record describes: owner, title, file-type list (none when
// the filter is null), the file buffer's text as the starting name, and with
// OFN_FILEMUSTEXIST only an existing file in an existing folder. On OK writes the
// chosen path (Windows form, 8-bit), NUL-terminated, into the file buffer and the
// file's name into the title buffer, and returns nonzero. Returns 0 for a cancel, a
// bad record, or a path that does not fit into nMaxFile bytes with its NUL.
int32_t GetOpenFileNameA(OPENFILENAMEA* record);

// The record as the program holds it: the eight text fields as UTF-16 strings.
struct OPENFILENAME {
    int32_t lStructSize = 0;
    int32_t hwndOwner = 0;
    int32_t hInstance = 0;
    std::u16string lpstrFilter;
    std::u16string lpstrCustomFilter;
    int32_t nMaxCustFilter = 0;
    int32_t nFilterIndex = 0;
    std::u16string lpstrFile;
    int32_t nMaxFile = 0;
    std::u16string lpstrFileTitle;
    int32_t nMaxFileTitle = 0;
    std::u16string lpstrInitialDir;
    std::u16string lpstrTitle;
    int32_t Flags = 0;
    int16_t nFileOffset = 0;
    int16_t nFileExtension = 0;
    std::u16string lpstrDefExt;
    int32_t lCustData = 0;
    int32_t lpfnHook = 0;
    std::u16string lpTemplateName;
};

// The call with the program's record: an 8-bit copy is made (a string without text
// becomes a null pointer), passed to GetOpenFileNameA, every text field of the copy is
// converted back into the record as a whole (buffers with their NUL padding), and
// the copy is released.
int32_t GetOpenFileNameA(OPENFILENAME& record);

}  // namespace platform
