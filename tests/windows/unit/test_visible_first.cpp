// A large JPEG or PNG is shown part first where a pane shows only a part of it: that part is
// there at once, and the whole, once done, is the picture read in one go; a save waits for it.
#include "support.h"

#include <windows.h>

#include <cstdio>
// After cstdio, which it needs.
#include <jpeglib.h>

#include <cstring>
#include <memory>
#include <vector>

#include "pictures/writers/writers.h"
#include "runtime/picture.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace {

// A baseline JPEG with a restart marker after every row of blocks, as cameras write them.
std::string JpegWithRestarts(int width, int height) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    cinfo.restart_in_rows = 1;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 3] = (unsigned char)(x * 255 / width);
            row[size_t(x) * 3 + 1] = (unsigned char)(y * 255 / height);
            row[size_t(x) * 3 + 2] = (unsigned char)((x ^ y) & 0xFF);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(out), size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

// The same kind of picture as a PNG, written by the program's own encoder.
std::string Png(int width, int height) {
    pictures::Budget unbounded(INT64_MAX);
    pictures::Image image = pictures::Image::New(width, height, false, unbounded);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.Row(y)[x] = pictures::Argb(unsigned(x * 255 / width), unsigned(y * 255 / height), unsigned((x ^ y) & 0xFF));
    return pictures::EncodePng(image, {});
}

std::u16string TempFile(const wchar_t* name, const std::string& bytes) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return std::u16string(path.begin(), path.end());
}

bool SamePixels(const pictures::Image& a, const pictures::Image& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), size_t(a.Width()) * 4) != 0) return false;
    return true;
}

// The colour drawing the picture puts at (x, y) of a 200 x 150 surface.
COLORREF Drawn(const rt::Picture& picture, int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP surface = CreateCompatibleBitmap(screen, 200, 150);
    HGDIOBJ old = SelectObject(dc, surface);
    rt::win32::DrawPicture(dc, picture, 0, 0, -1, -1);
    const COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(surface);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return colour;
}

}  // namespace

TEST_CASE("a large JPEG or PNG under a visible pane is shown part first, then whole as read in one go") {
    for (const std::u16string& path : {TempFile(L"orvenna-large.jpg", JpegWithRestarts(1600, 1200)),
                                       TempFile(L"orvenna-large.png", Png(1600, 1200))}) {
        INFO(std::string(path.begin(), path.end()));
        // No pane on the screen: read whole.
        const rt::Picture inOneGo = rt::LoadPicture(path);
        REQUIRE(inOneGo.data());
        CHECK(!inOneGo.data()->completion);

        rt::win32::RegisterClasses();
        HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                      nullptr, nullptr);
        HWND pane = CreateWindowExW(0, rt::win32::kPaneClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 150, window, nullptr,
                                    nullptr, nullptr);
        REQUIRE(pane);
        const rt::Picture part = rt::LoadPicture(path);
        DestroyWindow(window);
        REQUIRE(part.data());
        REQUIRE(part.data()->completion);
        CHECK(part.PixelWidth() == 1600);
        CHECK(part.PixelHeight() == 1200);
        const pictures::Image& early = part.data()->early;
        CHECK(early.Width() == 200);
        CHECK(early.Height() == 150);
        // What is drawn at once is that part (while it lasts), then the whole: the same there.
        const uint32_t corner = early.Pixel(150, 100);
        const COLORREF drawn = Drawn(part, 150, 100);
        CHECK(GetRValue(drawn) == pictures::RedOf(corner));
        CHECK(GetBValue(drawn) == pictures::BlueOf(corner));

        // A save waits for the whole: the file holds every row.
        const std::u16string saved = path.substr(0, path.size() - 4) + u".bmp";
        rt::SavePicture(part, saved);
        CHECK(part.data()->completion->Done());
        CHECK(SamePixels(rt::WholeData(part)->core.Srgb(), inOneGo.data()->core.Srgb()));
        CHECK(SamePixels(rt::LoadPicture(saved).data()->core.Srgb(), inOneGo.data()->core.Srgb()));
        CHECK(GetRValue(Drawn(part, 150, 100)) == pictures::RedOf(corner));
    }
}
