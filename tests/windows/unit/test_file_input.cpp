// Sequential input through the system's wide-path calls.
#include "support.h"

#include <windows.h>

#include "runtime/errors.h"
#include "runtime/file_input.h"

namespace {

// A file in the temporary folder whose name is Japanese, written byte for byte.
std::u16string WriteTemp(const std::string& bytes) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"入力テスト.txt";
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return std::u16string(path.begin(), path.end());
}

int ErrorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const rt::RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

}  // namespace

TEST_CASE("fields are read up to commas and line ends, numbers and quoted text apart") {
    const std::u16string path = WriteTemp("12,  \"a, b\" x ,  text  \r\n3.5E+2,,\"\"\n");
    rt::OpenForInput(path + std::u16string(3, u'\0'), 8);  // NUL padding of a dialog buffer
    std::vector<rt::Variant> fields;
    while (!rt::Eof(8)) {
        rt::Variant v;
        rt::Input(8, v);
        fields.push_back(v);
    }
    rt::Close(8);
    const std::vector<rt::Variant> expected{12.0, u"a, b", u"text", 350.0, std::monostate{}, u""};
    CHECK(fields == expected);
    CHECK(rt::TextOf(fields[3]) == u"350");
    CHECK(rt::TextOf(0.5) == u"0.5");
    CHECK(rt::TextOf(1e20) == u"1E+20");
}

TEST_CASE("input errors have their numbers") {
    const std::u16string path = WriteTemp("1");
    CHECK(ErrorOf([] { rt::OpenForInput(u"C:\\no such folder\\x.txt", 1); }) == rt::ErrPathNotFound);
    CHECK(ErrorOf([] { rt::OpenForInput(u"C:\\windows\\no such file.txt", 1); }) == rt::ErrFileNotFound);
    CHECK(ErrorOf([] { rt::OpenForInput(u"C:\\windows", 1); }) == rt::ErrPathFileAccess);
    CHECK(ErrorOf([&] { rt::OpenForInput(path, 512); }) == rt::ErrBadFileNameOrNumber);
    rt::OpenForInput(path, 1);
    CHECK(ErrorOf([&] { rt::OpenForInput(path, 1); }) == rt::ErrFileAlreadyOpen);
    rt::Variant v;
    rt::Input(1, v);
    CHECK(ErrorOf([&] { rt::Input(1, v); }) == rt::ErrInputPastEnd);
    rt::Close(1);
    CHECK(ErrorOf([&] { rt::Input(1, v); }) == rt::ErrBadFileNameOrNumber);
}

TEST_CASE("a read that fails midway raises the device error") {
    const std::u16string path = WriteTemp(std::string(200, 'x') + "\r\n");
    rt::testing::FailInputReadsAfter(100);
    rt::OpenForInput(path, 2);
    rt::Variant v;
    CHECK(ErrorOf([&] { rt::Input(2, v); }) == rt::ErrDeviceIO);
    rt::testing::FailInputReadsAfter(-1);
    rt::Close(2);
}
