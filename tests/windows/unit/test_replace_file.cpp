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

namespace {

std::u16string U16(const std::wstring& path) { return std::u16string(path.begin(), path.end()); }

void SaveGrey(const std::wstring& path) {
    pictures::Budget unbounded(int64_t(1) << 20);
    pictures::Picture grey;
    grey.image = pictures::Image::New(12, 8, false, unbounded);
    for (int y = 0; y < 8; ++y) std::fill_n(grey.image.Row(y), 12, 0xFF808080u);
    rt::SavePicture(rt::win32::PictureFromCore(std::move(grey)), U16(path));
}

// Who may do what with a file, as text ("D:(A;;FA;;;SY)...").
std::wstring AccessRules(const std::wstring& path) {
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<char> rules(size + 1);
    wchar_t* text = nullptr;
    if (GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, rules.data(), size, &size))
        ConvertSecurityDescriptorToStringSecurityDescriptorW(rules.data(), SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &text, nullptr);
    const std::wstring result = text ? text : L"";
    LocalFree(text);
    return result;
}

std::wstring ThisUser() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char user[256];
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, user, sizeof user, &size);
    CloseHandle(token);
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid);
    const std::wstring result = sid ? sid : L"";
    LocalFree(sid);
    return result;
}

}  // namespace

TEST_CASE("a replaced file keeps its attributes and who may read it") {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring target = std::wstring(temp) + L"orvenna-private.bmp", fresh = std::wstring(temp) + L"fresh.bmp";
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(target.c_str());
    CloseHandle(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    REQUIRE(CopyFileW(fresh.c_str(), target.c_str(), FALSE));
    // Hidden, and private: only the system and this user may use it.
    REQUIRE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
    PSECURITY_DESCRIPTOR onlyMe = nullptr;
    const std::wstring wanted = L"D:P(A;;FA;;;SY)(A;;FA;;;" + ThisUser() + L")";
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorW(wanted.c_str(), SDDL_REVISION_1, &onlyMe, nullptr));
    REQUIRE(SetFileSecurityW(target.c_str(), DACL_SECURITY_INFORMATION, onlyMe));
    LocalFree(onlyMe);
    const std::wstring rules = AccessRules(target);
    REQUIRE(AccessRules(fresh) != rules);

    SaveGrey(target);
    CHECK(rt::LoadPicture(U16(target)).PixelWidth() == 12);
    CHECK((GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN));
    CHECK(AccessRules(target) == rules);
}

// The link is one the host made (ctest names it in ORVENNA_TEST_LINK): link.bmp beside
// real\picture.bmp, which holds no picture yet.
TEST_CASE("a symbolic link is written through: the file it names is replaced, the link stays") {
    wchar_t link[MAX_PATH] = {};
    REQUIRE(GetEnvironmentVariableW(L"ORVENNA_TEST_LINK", link, MAX_PATH));
    const std::wstring folder(link, std::wstring(link).find_last_of(L'\\') + 1);

    SaveGrey(link);
    CHECK(rt::LoadPicture(U16(folder + L"real\\picture.bmp")).PixelWidth() == 12);
    CHECK(rt::LoadPicture(U16(link)).PixelWidth() == 12);
}
