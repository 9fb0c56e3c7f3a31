// Saving over a file keeps what the file had besides its bytes (attributes, access
// rules), and writes through a symbolic link to the file it names.
#include "support.h"

#include <windows.h>

#include <sddl.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/picture.h"
#include "runtime/win32/picture_data.h"
#include "runtime/win32/peers.h"

namespace {

std::wstring Folder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"orvenna-replace\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::u16string U16(const std::wstring& path) { return std::u16string(path.begin(), path.end()); }

void WriteText(const std::wstring& path, const char* text) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, text, DWORD(strlen(text)), &written, nullptr);
    CloseHandle(h);
}

rt::Picture Grey(int width, int height) {
    std::shared_ptr<rt::Picture::Data> data = rt::win32::NewPictureData(width, height);
    std::fill_n(reinterpret_cast<uint32_t*>(data->bits), width * height, 0xFF808080u);
    return rt::Picture(std::move(data));
}

int FilesIn(const std::wstring& folder) {
    int n = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do n += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return n;
}

// Who may do what with a file, as text ("D:(A;;FA;;;SY)...").
std::wstring AccessRules(const std::wstring& path) {
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<char> rules(size);
    if (!size || !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, rules.data(), size, &size)) return L"";
    wchar_t* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(rules.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                         &text, nullptr);
    const std::wstring result = text ? text : L"";
    LocalFree(text);
    return result;
}

std::wstring ThisUser() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char buffer[256];
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    const std::wstring result = sid ? sid : L"";
    LocalFree(sid);
    return result;
}

}  // namespace

TEST_CASE("a replaced file keeps its attributes and who may read it") {
    const std::wstring target = Folder() + L"private.bmp";
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteText(target, "OLD");
    // Hidden, and private: only the system and this user may use it.
    REQUIRE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
    PSECURITY_DESCRIPTOR onlyMe = nullptr;
    const std::wstring rulesWanted = L"D:P(A;;FA;;;SY)(A;;FA;;;" + ThisUser() + L")";
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorW(rulesWanted.c_str(), SDDL_REVISION_1, &onlyMe, nullptr));
    REQUIRE(SetFileSecurityW(target.c_str(), DACL_SECURITY_INFORMATION, onlyMe));
    LocalFree(onlyMe);
    const std::wstring rules = AccessRules(target);
    WriteText(Folder() + L"fresh.bmp", "NEW");
    REQUIRE(AccessRules(Folder() + L"fresh.bmp") != rules);

    rt::SavePicture(Grey(12, 8), U16(target));
    CHECK(rt::LoadPicture(U16(target)).PixelWidth() == 12);
    CHECK((GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN));
    CHECK(AccessRules(target) == rules);
}

// Under Wine the link is one the host made (ORVENNA_TEST_LINK names it, pointing to
// real\picture.bmp beside it); on Windows the test makes one.
TEST_CASE("a symbolic link is written through: the file it names is replaced, the link stays") {
    wchar_t given[MAX_PATH] = {};
    std::wstring link;
    if (GetEnvironmentVariableW(L"ORVENNA_TEST_LINK", given, MAX_PATH)) {
        link = given;
    } else {
        link = Folder() + L"link.bmp";
        CreateDirectoryW((Folder() + L"real").c_str(), nullptr);
        WriteText(Folder() + L"real\\picture.bmp", "OLD");
        DeleteFileW(link.c_str());
        CreateSymbolicLinkW(link.c_str(), L"real\\picture.bmp", SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    }
    const std::wstring folder = link.substr(0, link.find_last_of(L'\\') + 1);
    const std::wstring real = folder + L"real\\picture.bmp";
    REQUIRE(GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES);
    const int filesBeside = FilesIn(folder), filesThere = FilesIn(folder + L"real\\");

    rt::SavePicture(Grey(12, 8), U16(link));
    CHECK(rt::LoadPicture(U16(real)).PixelWidth() == 12);
    CHECK(rt::LoadPicture(U16(link)).PixelWidth() == 12);
    CHECK(FilesIn(folder) == filesBeside);
    CHECK(FilesIn(folder + L"real\\") == filesThere);
}
