// Pictures through the picture core: round trips per extension read back by content,
// EXIF orientation, the refusals with their numbers and reasons, GIF quality against the
// Linux build's, and writes that leave the old file when they fail.
#include "support.h"

#include <windows.h>

#include <memory>

#include "../../support/gif_quality_picture.h"
#include "pictures/format.h"
#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace {

using Pixel = uint32_t;  // 0xAARRGGBB, straight alpha, as the core holds it

std::wstring Folder() {
    static const std::wstring folder = [] {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::wstring f = std::wstring(temp) + L"orvenna-pictures\\";
        CreateDirectoryW(f.c_str(), nullptr);
        return f;
    }();
    return folder;
}

std::u16string PathOf(const std::wstring& name) {
    const std::wstring p = Folder() + name;
    return std::u16string(p.begin(), p.end());
}

std::string Contents(const std::u16string& path) {
    HANDLE h = CreateFileW(std::wstring(path.begin(), path.end()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "(missing)";
    std::string bytes(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr);
    CloseHandle(h);
    bytes.resize(got);
    return bytes;
}

// The format the core recognises the bytes as ("png"), or "" for none.
std::string FormatOf(const std::string& bytes) {
    const pictures::Format* format = pictures::Recognise(pictures::Bytes(bytes), pictures::Bytes(bytes), bytes.size(), "");
    return format ? std::string(format->name) : "";
}

void Write(const std::u16string& path, const std::string& bytes) {
    HANDLE h = CreateFileW(std::wstring(path.begin(), path.end()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

template <class F>
rt::Picture Make(int w, int h, F pixel) {
    pictures::Budget unbounded(int64_t(1) << 40);
    pictures::Picture picture;
    picture.image = pictures::Image::New(w, h, false, unbounded);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) picture.image.Row(y)[x] = pixel(x, y);
    picture.image.SetHasAlpha(picture.image.AnyTransparent());
    return rt::win32::PictureFromCore(std::move(picture));
}

Pixel At(const rt::Picture& p, int x, int y) { return rt::WholeData(p)->core.Srgb().Pixel(x, y); }

int Channel(Pixel p, int shift) { return int((p >> shift) & 0xFF); }

int LargestDifference(const rt::Picture& a, const rt::Picture& b) {
    int worst = 0;
    for (int y = 0; y < a.PixelHeight(); ++y)
        for (int x = 0; x < a.PixelWidth(); ++x)
            for (int s : {0, 8, 16}) worst = std::max(worst, std::abs(Channel(At(a, x, y), s) - Channel(At(b, x, y), s)));
    return worst;
}

// Gradients, opaque; with a transparent band across the top when asked.
rt::Picture Sample(bool transparentBand) {
    return Make(96, 64, [=](int x, int y) -> Pixel {
        if (transparentBand && y < 16) return 0;
        return 0xFF000000u | Pixel(x * 2) << 16 | Pixel(y * 3) << 8 | Pixel(255 - x - y);
    });
}

// Left half blue, right half red: shows which way a picture was turned.
rt::Picture TwoHalves(int w, int h) {
    return Make(w, h, [=](int x, int) { return x < w / 2 ? 0xFF0000FFu : 0xFFFF0000u; });
}

struct Refusal {
    int number;
    std::u16string description;
};

Refusal RefusalOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const rt::RuntimeError& e) {
        return {e.Number(), e.Description()};
    }
    return {0, u"(no error)"};
}

bool Contains(const std::u16string& text, const std::u16string& part) { return text.find(part) != std::u16string::npos; }

std::string Saved(const rt::Picture& picture, const std::wstring& name) {
    rt::SavePicture(picture, PathOf(name));
    return Contents(PathOf(name));
}

}  // namespace

TEST_CASE("the extension picks the format; each file reads back by its content, under any name") {
    struct Row {
        std::wstring name;
        std::string format;
        int tolerance;  // largest channel difference allowed
    };
    const Row rows[] = {
        {L"a.jpg", "jpeg", 24}, {L"b.JPEG", "jpeg", 24},  {L"c.JfIf", "jpeg", 24}, {L"d.png", "png", 0},
        {L"e.PNG", "png", 0},   {L"f.gif", "gif", 40},    {L"g.bmp", "bmp", 0},    {L"h.tif", "tiff", 0},
        {L"i.TIFF", "tiff", 0}, {L"j.zr4", "bmp", 0},     {L"moon", "bmp", 0},     {L"k.xyz", "bmp", 0},
        {L"l.webp", "webp", 24}, {L"m.jxl", "jxl", 24},
        // Names in Japanese reach the files through wide-character calls.
        {L"\x5199\x771f.jpg", "jpeg", 24}, {L"\x5199\x771f.png", "png", 0}, {L"\x5199\x771f.webp", "webp", 24},
        {L"\x5199\x771f.jxl", "jxl", 24},
    };
    const rt::Picture source = Sample(false);
    for (const Row& r : rows) {
        CAPTURE(rt::win32::Utf16(r.name));
        CHECK(FormatOf(Saved(source, r.name)) == r.format);
        const rt::Picture back = rt::LoadPicture(PathOf(r.name));
        REQUIRE(back.PixelWidth() == 96);
        REQUIRE(back.PixelHeight() == 64);
        CHECK(LargestDifference(source, back) <= r.tolerance);
    }
    // A PNG named .jpg is read as the PNG it is.
    Write(PathOf(L"really-a-png.jpg"), Contents(PathOf(L"d.png")));
    CHECK(LargestDifference(source, rt::LoadPicture(PathOf(L"really-a-png.jpg"))) == 0);
}

TEST_CASE("transparency stays where the format has it, and goes on white elsewhere") {
    const std::pair<std::wstring, bool> rows[] = {{L"t.png", true},  {L"t.tif", true},  {L"t.gif", true},
                                                  {L"t.webp", true}, {L"t.jxl", true},  {L"t.jpg", false},
                                                  {L"t.bmp", false}};
    for (const auto& [name, keeps] : rows) {
        CAPTURE(rt::win32::Utf16(name));
        rt::SavePicture(Sample(true), PathOf(name));
        const rt::Picture back = rt::LoadPicture(PathOf(name));
        CHECK(Channel(At(back, 40, 40), 24) == 255);
        const Pixel top = At(back, 40, 4);
        if (keeps) {
            CHECK(Channel(top, 24) == 0);
        } else {
            CHECK(Channel(top, 24) == 255);
            CHECK(std::min({Channel(top, 0), Channel(top, 8), Channel(top, 16)}) > 240);
        }
    }
}

TEST_CASE("a GIF keeps the picture within 1 dB of the Linux build's quality") {
    using gif_quality::kHeight, gif_quality::kWidth, gif_quality::kLinuxPsnr;
    const rt::Picture source = Make(kWidth, kHeight, [](int x, int y) {
        uint8_t rgb[3];
        gif_quality::Pixel(x, y, rgb);
        return 0xFF000000u | Pixel(rgb[0]) << 16 | Pixel(rgb[1]) << 8 | rgb[2];
    });
    rt::SavePicture(source, PathOf(L"quality.gif"));
    const rt::Picture back = rt::LoadPicture(PathOf(L"quality.gif"));
    double squared = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int s : {0, 8, 16}) {
                const double d = Channel(At(source, x, y), s) - Channel(At(back, x, y), s);
                squared += d * d;
            }
    const double psnr = gif_quality::Psnr(squared, 3.0 * kWidth * kHeight);
    MESSAGE("GIF PSNR " << psnr << " dB; Linux build " << kLinuxPsnr << " dB");
    CHECK(psnr >= kLinuxPsnr - 1.0);
}

TEST_CASE("a JPEG is turned upright as its EXIF orientation says") {
    const std::string jpeg = Saved(TwoHalves(40, 20), L"upright.jpg");
    struct Row {
        int orientation, width, height;
        int blueX, blueY;  // a point of the blue half after turning
    };
    const Row rows[] = {{1, 40, 20, 5, 10}, {6, 20, 40, 10, 5}, {8, 20, 40, 10, 35}, {3, 40, 20, 35, 10}};
    for (const Row& r : rows) {
        CAPTURE(r.orientation);
        // An EXIF block of one entry right after the start marker.
        const std::string exif = std::string("\xFF\xE1\x00\x22" "Exif\0\0" "II\x2A\x00\x08\x00\x00\x00" "\x01\x00"
                                             "\x12\x01\x03\x00\x01\x00\x00\x00",
                                             28) +
                                 char(r.orientation) + std::string(7, '\0');
        const std::u16string path = PathOf(L"turned.jpg");
        Write(path, jpeg.substr(0, 2) + exif + jpeg.substr(2));
        const rt::Picture p = rt::LoadPicture(path);
        CHECK(p.PixelWidth() == r.width);
        CHECK(p.PixelHeight() == r.height);
        CHECK(Channel(At(p, r.blueX, r.blueY), 0) > 200);
        CHECK(Channel(At(p, r.blueX, r.blueY), 16) < 60);
    }
}

TEST_CASE("what cannot be shown is refused with the number and the reason, naming the file") {
    const std::string jpeg = Saved(Make(256, 256, [](int x, int y) { return 0xFF000000u | Pixel(x * 7919 ^ y * 104729); }),
                                   L"busy.jpg");
    const std::string png = Saved(Make(256, 256, [](int x, int y) { return 0xFF000000u | Pixel(x * 7919 ^ y * 104729); }),
                                  L"busy.png");
    const std::string gif = Saved(Sample(false), L"whole.gif");
    std::string corrupt = jpeg;
    corrupt.replace(2, 600, std::string(600, '\x5A'));
    std::string noise(4096, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 2654435761u) >> 13);
    noise[0] = 'x';
    // A small real JPEG whose frame header claims 60000 x 60000 pixels.
    std::string huge = jpeg;
    const size_t sof = huge.find("\xFF\xC0");
    REQUIRE(sof != std::string::npos);
    huge[sof + 5] = char(0xEA), huge[sof + 6] = char(0x60), huge[sof + 7] = char(0xEA), huge[sof + 8] = char(0x60);
    struct Row {
        std::wstring name;
        std::string bytes;
        int number;
        std::u16string reason;
    };
    const Row rows[] = {
        {L"empty.jpg", "", rt::ErrInvalidPicture, u"the file is empty"},
        {L"noise.jpg", noise, rt::ErrInvalidPicture, u"not a picture"},
        {L"corrupt.jpg", corrupt, rt::ErrInvalidPicture, u"damaged or not a picture"},
        {L"cut.jpg", jpeg.substr(0, jpeg.size() / 2), rt::ErrInvalidPicture, u"ends before"},
        {L"cut.png", png.substr(0, png.size() / 2), rt::ErrInvalidPicture, u"ends before"},
        {L"cut.gif", gif.substr(0, gif.size() / 3), rt::ErrInvalidPicture, u"ends before"},
        {L"huge.jpg", huge, rt::ErrPictureTooLarge, u"header declares 60000 x 60000 pixels"},
    };
    for (const Row& r : rows) {
        CAPTURE(rt::win32::Utf16(r.name));
        Write(PathOf(r.name), r.bytes);
        const Refusal refusal = RefusalOf([&] { rt::LoadPicture(PathOf(r.name)); });
        CAPTURE(refusal.description);
        CHECK(refusal.number == r.number);
        CHECK(Contains(refusal.description, PathOf(r.name)));
        CHECK(Contains(refusal.description, r.reason));
    }
    CHECK(RefusalOf([] { rt::LoadPicture(PathOf(L"not-there.jpg")); }).number == rt::ErrFileNotFound);
    CHECK(RefusalOf([] { rt::LoadPicture(PathOf(L"no-folder\\x.jpg")); }).number == rt::ErrFileNotFound);
    CreateDirectoryW((Folder() + L"folder.jpg").c_str(), nullptr);
    CHECK(RefusalOf([] { rt::LoadPicture(PathOf(L"folder.jpg")); }).description ==
          u"Path/File access error: " + PathOf(L"folder.jpg") + u" (a folder, not a file)");
    CHECK(rt::LoadPicture(u"").Empty());
}

TEST_CASE("a write that cannot be done leaves the old file and nothing else behind") {
    const std::wstring sub = Folder() + L"keep\\";
    CreateDirectoryW(sub.c_str(), nullptr);
    const std::u16string target = PathOf(L"keep\\old.bmp");
    const auto filesThere = [&] {
        int n = 0;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((sub + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do n += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (FindNextFileW(search, &found));
        FindClose(search);
        return n;
    };
    // Wider than WebP holds: refused before anything is written.
    Write(target, "OLD CONTENT");
    const Refusal webp = RefusalOf([&] { rt::SavePicture(Make(17000, 1, [](int, int) { return 0xFF102030u; }),
                                                         PathOf(L"keep\\x.webp")); });
    CHECK(webp.number == rt::ErrCannotWritePicture);
    CHECK(Contains(webp.description, u"WebP"));
    // The target is held open by another program that lets nobody replace it.
    HANDLE held = CreateFileW(std::wstring(target.begin(), target.end()).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    const Refusal busy = RefusalOf([&] { rt::SavePicture(Sample(false), target); });
    CloseHandle(held);
    CHECK(busy.number != 0);
    CHECK(Contains(busy.description, target));
    CHECK(Contents(target) == "OLD CONTENT");
    // A read-only target is not replaced either.
    SetFileAttributesW(std::wstring(target.begin(), target.end()).c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(RefusalOf([&] { rt::SavePicture(Sample(false), target); }).number == rt::ErrPermissionDenied);
    SetFileAttributesW(std::wstring(target.begin(), target.end()).c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK(Contents(target) == "OLD CONTENT");
    CHECK(filesThere() == 1);
    // Once free, it is replaced whole.
    rt::SavePicture(Sample(false), target);
    CHECK(rt::LoadPicture(target).PixelWidth() == 96);
    CHECK(filesThere() == 1);

    CHECK(RefusalOf([] { rt::SavePicture(rt::Picture(), PathOf(L"e.bmp")); }).number == rt::ErrInvalidPicture);
    CHECK(RefusalOf([] { rt::SavePicture(Sample(false), PathOf(L"none\\x.bmp")); }).number == rt::ErrPathNotFound);
    CHECK(RefusalOf([] { rt::SavePicture(Sample(false), PathOf(L"folder.jpg")); }).number == rt::ErrPathFileAccess);
    CHECK(RefusalOf([] { rt::SavePicture(Sample(false), u""); }).number == rt::ErrBadFileNameOrNumber);
}
