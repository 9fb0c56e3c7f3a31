// HEIC, AVIF and JPEG XL at 24 megapixels, in one run:
// - loading: LoadPicture next to the library's own decode to 8-bit RGB(A) in this
//   process (libheif, libavif with dav1d, libjxl, the same threads), and next to the
//   library's command-line decoder (heif-convert to Y4M, avifdec to Y4M with all cores,
//   djxl decoding only) where installed; the aim is LoadPicture within 1.15 times the
//   library alone;
// - saving: SavePicture to .avif and .jxl, with size and PSNR against the source, next to
//   JPEG at quality 90.
#include <avif/avif.h>
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>
#include <libheif/heif.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "runtime/picture.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "bench_pictures.h"

namespace {

// The fastest of three runs, in milliseconds.
double Best(const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The library alone: file read, decode and conversion to 8-bit interleaved RGB(A).
void HeifAlone(const QString& path) {
    const QByteArray bytes = ReadAll(path);
    heif_context* context = heif_context_alloc();
    heif_context_read_from_memory_without_copy(context, bytes.constData(), size_t(bytes.size()), nullptr);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(context, &handle);
    heif_image* image = nullptr;
    heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
}

void AvifAlone(const QString& path) {
    const QByteArray bytes = ReadAll(path);
    avifDecoder* decoder = avifDecoderCreate();
    decoder->maxThreads = QThread::idealThreadCount();
    avifDecoderSetIOMemory(decoder, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    avifDecoderParse(decoder);
    avifDecoderNextImage(decoder);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, decoder->image);
    rgb.format = AVIF_RGB_FORMAT_BGRA;
    rgb.depth = 8;
    avifRGBImageAllocatePixels(&rgb);
    avifImageYUVToRGB(decoder->image, &rgb);
    avifRGBImageFreePixels(&rgb);
    avifDecoderDestroy(decoder);
}

void JxlAlone(const QString& path) {
    const QByteArray bytes = ReadAll(path);
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    void* runner = JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    JxlDecoderSetParallelRunner(decoder, JxlThreadParallelRunner, runner);
    JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(decoder, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    JxlDecoderCloseInput(decoder);
    JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<uint8_t> pixels;
    for (JxlDecoderStatus s = JxlDecoderProcessInput(decoder); s != JXL_DEC_FULL_IMAGE && s != JXL_DEC_ERROR &&
                                                               s != JXL_DEC_SUCCESS && s != JXL_DEC_NEED_MORE_INPUT;
         s = JxlDecoderProcessInput(decoder)) {
        if (s == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            size_t size = 0;
            JxlDecoderImageOutBufferSize(decoder, &format, &size);
            pixels.resize(size);
            JxlDecoderSetImageOutBuffer(decoder, &format, pixels.data(), size);
        }
    }
    JxlDecoderDestroy(decoder);
    JxlThreadParallelRunnerDestroy(runner);
}

double Tool(const QString& tool, const QStringList& args) {
    if (QStandardPaths::findExecutable(tool).isEmpty()) return -1;
    return Best([&] {
        QProcess p;
        p.start(tool, args);
        p.waitForFinished(-1);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(name); };
    const QImage source = MakePicture(6000, 4000);
    std::printf("24-megapixel picture (6000 x 4000), %d threads; times are the best of three runs\n\n",
                QThread::idealThreadCount());

    // Saving: ours, and JPEG 90 for comparison.
    std::printf("%-6s %10s %10s %10s\n", "save", "ms", "MB", "PSNR dB");
    for (const char* name : {"photo.jpg", "photo.avif", "photo.jxl"}) {
        const double ms = Best([&] { rt::SavePicture(rt::PictureFromImage(source), rt::WindowsPath(at(name).toStdString())); });
        const QImage back = rt::ImageOf(rt::LoadPicture(rt::WindowsPath(at(name).toStdString())))->convertToFormat(QImage::Format_RGB32);
        std::printf("%-6s %10.0f %10.2f %10.2f\n", QFileInfo(name).suffix().toLatin1().constData(), ms,
                    QFileInfo(at(name)).size() / 1048576.0, Psnr(source, back));
    }

    // The HEIC comes from heif-enc; the AVIF and JPEG XL are the ones just saved.
    if (QStandardPaths::findExecutable("heif-enc").isEmpty()) {
        std::printf("\nheif-enc is not installed: no HEIC\n");
    } else {
        QProcess enc;
        enc.start("heif-enc", {"-q", "85", "-o", at("photo.heic"), at("photo.jpg")});
        enc.waitForFinished(-1);
    }
    std::printf("\n%-5s %12s %14s %9s %20s\n", "load", "LoadPicture", "library alone", "ratio", "command-line tool");
    struct Row {
        const char* name;
        std::function<void(const QString&)> alone;
        QString tool;
        QStringList args;
    };
    const Row rows[] = {
        {"photo.heic", HeifAlone, "heif-convert", {at("photo.heic"), at("out-heic.y4m")}},
        {"photo.avif", AvifAlone, "avifdec", {"-j", "all", at("photo.avif"), at("out-avif.y4m")}},
        {"photo.jxl", JxlAlone, "djxl", {at("photo.jxl")}},
    };
    for (const Row& row : rows) {
        if (!QFile::exists(at(row.name))) continue;
        const double ours = Best([&] { rt::LoadPicture(rt::WindowsPath(at(row.name).toStdString())); });
        const double alone = Best([&] { row.alone(at(row.name)); });
        const double tool = Tool(row.tool, row.args);
        std::printf("%-5s %10.0f ms %11.0f ms %8.2fx %12.0f ms %s\n", QFileInfo(row.name).suffix().toLatin1().constData(),
                    ours, alone, ours / alone, tool, tool < 0 ? "(not installed)" : qPrintable(row.tool));
    }
    return 0;
}
