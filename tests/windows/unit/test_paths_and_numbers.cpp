// Path functions, 16-bit arithmetic and error texts, as the Windows build compiles them.
#include "intake/path_functions.h"
#include "runtime/errors.h"
#include "runtime/int16.h"
#include "support.h"

TEST_CASE("path functions split a path as the worked table says") {
    struct Row {
        std::u16string path, ext, name;
    };
    const Row rows[] = {
        {u"C:\\photos\\moon.jpg", u"jpg", u"moon.jpg"},  {u"C:\\photos\\archive.tar.gz", u"gz", u"archive.tar.gz"},
        {u"C:\\a.b\\file", u"b\\file", u"file"},           {u"C:\\photos\\moon.", u"", u"moon."},
        {u"C:\\photos\\", u"", u""},                       {u"moon.jpg", u"jpg", u""},
        {u"C:/photos/moon.jpg", u"jpg", u""},              {u"\\\\server\\share\\x.png", u"png", u"x.png"},
        {u"", u"", u""},                                   {u"C:\\写真\\月.jpeg", u"jpeg", u"月.jpeg"},
    };
    for (const Row& r : rows) {
        CAPTURE(r.path);
        CHECK(ExtensionOf(r.path) == r.ext);
        CHECK(FileNameOf(r.path) == r.name);
    }
}

TEST_CASE("a path of 32767 characters is scanned, one more overflows") {
    const std::u16string longest = u"C:\\" + std::u16string(32767 - 9, u'a') + u"\\x.jpg";
    REQUIRE(longest.size() == 32767);
    CHECK(FileNameOf(longest) == u"x.jpg");
    CHECK(FileNameOf(std::u16string(32767, u'b')) == u"");
    const std::u16string tooLong = longest + u"g";
    for (auto f : {&ExtensionOf, &FileNameOf}) {
        try {
            f(tooLong);
            FAIL("no overflow");
        } catch (const rt::RuntimeError& e) {
            CHECK(e.Number() == rt::ErrOverflow);
            CHECK(e.Description() == u"Overflow");
        }
    }
}

TEST_CASE("16-bit steps overflow past 32767 and below -32768") {
    int16_t i = 32766;
    rt::Add16(i, 1);
    CHECK(i == 32767);
    CHECK_THROWS_AS(rt::Add16(i, 1), rt::RuntimeError);
    CHECK(i == 32767);
    CHECK_THROWS_AS(rt::CInt16(-32769), rt::RuntimeError);
    CHECK(rt::CInt16(-32768) == -32768);
}

TEST_CASE("error descriptions name the reason and the detail") {
    CHECK(rt::RuntimeError(rt::ErrFileNotFound, u"C:\\x.jpg").Description() == u"File not found: C:\\x.jpg");
    CHECK(std::string(rt::RuntimeError(rt::ErrInputPastEnd).what()) == "Input past end of file");
    CHECK(rt::ErrorText(12345) == u"Application-defined or object-defined error");
}

TEST_CASE("8-bit text goes through the system's code page and back") {
    CHECK(rt::FromAnsi(rt::ToAnsi(u"Orvenna About")) == u"Orvenna About");
    CHECK(rt::FromUtf8(rt::ToUtf8(u"ﾊﾞｰｼﾞｮﾝ 5.0.11")) == u"ﾊﾞｰｼﾞｮﾝ 5.0.11");
    CHECK(rt::Str(-32768) == u"-32768");
    CHECK(rt::UpToNul(std::u16string(u"C:\\a.jpg\0\0", 10)) == u"C:\\a.jpg");
}
