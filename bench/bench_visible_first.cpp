// The visible part first, format by format. For a generated 24 megapixel picture in each
// format read in two steps: the time until the part the main window's pane shows is
// decoded, and until the whole picture is, next to a whole reading of the same bytes by
// the picture core (Load). The formats and variants read whole are listed, with a check
// that they are. Run with `cmake --build <build> --target run_bench_visible_first`.
#include <QApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/form1.h"
#include "bench_pictures.h"
#include "pictures/load.h"
#include "pictures/visible_first.h"
#include "runtime/qt/pane_view.h"

namespace {

constexpr int64_t kBound = int64_t(3) << 30;

std::string ReadAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) qFatal("failed: %s", command.c_str());
}

double Ms(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

struct Times {
    double load = 1e300, first = 1e300, whole = 1e300;
};

// Best of a few runs each, taken in turns: a whole reading, and the visible part then the
// whole.
Times Measure(const std::shared_ptr<const std::string>& bytes, QSize visible, int reps) {
    Times best;
    const pictures::Bytes file(*bytes);
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer timer;
        timer.start();
        {
            const pictures::Picture whole = pictures::Load(file, "", kBound);
            best.load = std::min(best.load, Ms(timer));
        }
        timer.restart();
        std::optional<pictures::VisibleFirst> first =
            pictures::LoadVisibleFirst(file, bytes, visible.width(), visible.height(), kBound);
        if (!first) return {};
        best.first = std::min(best.first, Ms(timer));
        first->completion->Wait();
        best.whole = std::min(best.whole, Ms(timer));
    }
    return best;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Form1 form;
    form.Show();
    app.processEvents();
    const QSize visible = rt::VisiblePaneArea();
    if (visible.isEmpty()) qFatal("the pane shows nothing");

    QTemporaryDir dir;
    const auto path = [&dir](const char* name) { return dir.filePath(name).toStdString(); };
    std::printf("generating a 24 MP picture in each format...\n");
    std::fflush(stdout);
    const QImage picture = MakePicture(6000, 4000);
    if (!picture.save(dir.filePath("src.ppm"))) qFatal("cannot write the source");
    QImageWriter jpeg(dir.filePath("photo.jpg"), "jpeg");
    jpeg.setQuality(90);
    if (!jpeg.write(picture)) qFatal("cannot write the JPEG");
    const std::string src = path("src.ppm");
    Run("convert " + src + " " + path("photo.png"));
    Run("convert " + src + " -interlace PNG " + path("interlaced.png"));
    Run("convert " + src + " -compress zip -define tiff:rows-per-strip=16 " + path("strips.tif"));
    Run("convert " + src + " -compress zip -define tiff:tile-geometry=256x256 " + path("tiles.tif"));
    Run("cwebp -quiet -q 80 " + src + " -o " + path("lossy.webp"));
    Run("cwebp -quiet -lossless -z 0 " + src + " -o " + path("lossless.webp"));

    const struct {
        const char* label;
        const char* file;
    } cases[] = {
        {"JPEG", "photo.jpg"},        {"PNG", "photo.png"},          {"TIFF strips", "strips.tif"},
        {"TIFF tiles", "tiles.tif"},  {"WebP lossy", "lossy.webp"}, {"WebP lossless", "lossless.webp"},
    };
    std::printf("\nvisible part: %d x %d (the main window's pane)\n", visible.width(), visible.height());
    std::printf("\n%-14s %8s %9s %9s %7s %9s %7s\n", "24 MP", "file MB", "Load", "first", "/Load", "whole", "/Load");
    std::printf("%-14s %8s %9s %9s %7s %9s %7s\n", "", "", "ms", "ms", "", "ms", "");
    for (const auto& c : cases) {
        const auto bytes = std::make_shared<const std::string>(ReadAll(dir.filePath(c.file)));
        const Times t = Measure(bytes, visible, 5);
        if (t.first > 1e299) {
            std::printf("%-14s read whole\n", c.label);
            continue;
        }
        std::printf("%-14s %8.1f %9.1f %9.1f %7.3f %9.1f %7.3f\n", c.label, double(bytes->size()) / (1 << 20), t.load,
                    t.first, t.first / t.load, t.whole, t.whole / t.load);
        std::fflush(stdout);
    }
    const auto bytes = std::make_shared<const std::string>(ReadAll(dir.filePath("interlaced.png")));
    const bool whole = !pictures::LoadVisibleFirst(pictures::Bytes(*bytes), bytes, visible.width(), visible.height(), kBound);
    std::printf("\nfirst: to the visible part decoded (aim: at most 0.25 of Load at 24 MP); whole: to the whole\n"
                "picture (aim: at most 1.1 of Load). Read whole, as before: interlaced PNG (%s here), animated\n"
                "WebP, TIFF turned by its orientation or in libtiff's own RGBA reading (old-style JPEG, YCbCr\n"
                "not in JPEG), PNG/WebP turned by EXIF, HEIC and AVIF (single images, and grids too: libheif\n"
                "1.15 decodes a grid only whole), and every other format.\n",
                whole ? "checked" : "NOT read whole");
    return 0;
}
