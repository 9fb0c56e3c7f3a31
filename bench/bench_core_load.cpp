// Loading a 24-megapixel picture in each format through the picture core, in one run:
// - time: pictures::Load next to the format's library alone decoding the same bytes to
//   4-byte pixels in this process (libjpeg, libpng's simplified API, giflib, libtiff's
//   RGBA reader, libwebp); the aim is at most 1.1 times the library alone. Formats that
//   are our own readers have no library to compare with: their time is printed alone.
// - memory: the peak the load adds to the process (in a child of its own, the file's bytes
//   already in memory), as a share of the decoded picture; the aim is at most 1.1.
#include <gif_lib.h>
#include <png.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/decode.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench_pictures.h"
#include "pictures/load.h"
#include "pictures/writers/writers.h"
#include "process_memory.h"

namespace {

constexpr int64_t kBound = int64_t(3) << 30;

double Best(const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void JpegAlone(const std::string& file) {
    jpeg_decompress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    std::vector<uint32_t> pixels(size_t(cinfo.output_width) * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels.data() + size_t(cinfo.output_scanline) * cinfo.output_width);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void PngAlone(const std::string& file) {
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, file.data(), file.size());
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
}

struct Cursor {
    const std::string* file;
    size_t at = 0;
};

int ReadGif(GifFileType* gif, GifByteType* out, int n) {
    auto* c = static_cast<Cursor*>(gif->UserData);
    const size_t take = std::min(size_t(n), c->file->size() - c->at);
    std::memcpy(out, c->file->data() + c->at, take);
    c->at += take;
    return int(take);
}

void GifAlone(const std::string& file) {
    Cursor cursor{&file};
    int error = 0;
    GifFileType* gif = DGifOpen(&cursor, ReadGif, &error);
    DGifSlurp(gif);
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    std::vector<uint32_t> pixels(size_t(gif->SWidth) * size_t(gif->SHeight));
    for (size_t i = 0; i < pixels.size(); ++i) {
        const GifColorType c = map->Colors[frame.RasterBits[i]];
        pixels[i] = pictures::Argb(c.Red, c.Green, c.Blue);
    }
    DGifCloseFile(gif, &error);
}

void TiffAlone(const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    uint32_t w = 0, h = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    std::vector<uint32_t> pixels(size_t(w) * h);
    TIFFReadRGBAImageOriented(tiff, w, h, pixels.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(tiff);
}

void WebpAlone(const std::string& file) {
    int w = 0, h = 0;
    WebPGetInfo(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &w, &h);
    std::vector<uint8_t> pixels(size_t(w) * size_t(h) * 4);
    WebPDecodeBGRAInto(reinterpret_cast<const uint8_t*>(file.data()), file.size(), pixels.data(), pixels.size(), w * 4);
}

// The peak memory loading the file adds, in a child process, as a share of the decoded picture.
double PeakShare(const std::string& file, const std::string& extension) {
    int pipes[2];
    if (pipe(pipes) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts here
        const int64_t before = ProcessStatusBytes("VmRSS");
        double share = -1;
        try {
            const pictures::Picture picture = pictures::Load(pictures::Bytes(file), extension, kBound);
            share = double(ProcessStatusBytes("VmHWM") - before) / double(picture.image.Bytes());
        } catch (const pictures::Failure&) {
        }
        (void)!write(pipes[1], &share, sizeof share);
        _exit(0);
    }
    double share = -1;
    (void)!read(pipes[0], &share, sizeof share);
    waitpid(child, nullptr, 0);
    close(pipes[0]);
    close(pipes[1]);
    return share;
}

std::string Netpbm(const pictures::Image& image) {
    std::string out = "P6\n" + std::to_string(image.Width()) + " " + std::to_string(image.Height()) + "\n255\n";
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const uint32_t p = image.Pixel(x, y);
            out += {char(pictures::RedOf(p)), char(pictures::GreenOf(p)), char(pictures::BlueOf(p))};
        }
    return out;
}

}  // namespace

int main() {
    const QImage source = MakePicture(6000, 4000);
    const pictures::Picture picture{pictures::Image::Adopt(reinterpret_cast<uint32_t*>(const_cast<uchar*>(source.constBits())),
                                                           source.width(), source.height(), source.bytesPerLine(), false,
                                                           nullptr),
                                    {}, {}};
    const std::string tiffPath = "/tmp/orvenna-bench-core-load.tif";
    struct Row {
        const char* name;
        std::string file;
        std::function<void(const std::string&)> alone;
    };
    std::vector<Row> rows = {
        {"jpg", pictures::Encode(picture, pictures::SaveFormat::Jpeg), JpegAlone},
        {"png", pictures::Encode(picture, pictures::SaveFormat::Png), PngAlone},
        {"gif", pictures::Encode(picture, pictures::SaveFormat::Gif), GifAlone},
        {"tif", pictures::Encode(picture, pictures::SaveFormat::Tiff), [&](const std::string&) { TiffAlone(tiffPath); }},
        {"webp", pictures::Encode(picture, pictures::SaveFormat::Webp), WebpAlone},
        {"bmp", pictures::Encode(picture, pictures::SaveFormat::Bmp), nullptr},
        {"ppm", Netpbm(picture.image), nullptr},
    };
    std::ofstream(tiffPath, std::ios::binary) << rows[3].file;
    std::printf("24-megapixel load, best of 3 (ms); aims: time at most 1.1x the library alone, peak at most 1.1x "
                "the decoded picture\n%-5s %9s %9s %7s %9s\n", "", "core", "library", "ratio", "peak/px");
    for (const Row& row : rows) {
        const double core = Best([&] { pictures::Load(pictures::Bytes(row.file), row.name, kBound); });
        const double alone = row.alone ? Best([&] { row.alone(row.file); }) : -1;
        const double peak = PeakShare(row.file, row.name);
        if (alone > 0)
            std::printf("%-5s %9.1f %9.1f %6.2fx %8.2fx%s\n", row.name, core, alone, core / alone, peak,
                        core / alone <= 1.1 && peak <= 1.1 ? "" : "  (past an aim)");
        else
            std::printf("%-5s %9.1f %9s %7s %8.2fx%s\n", row.name, core, "ours", "", peak,
                        peak <= 1.1 ? "" : "  (past an aim)");
    }
    std::remove(tiffPath.c_str());
}
