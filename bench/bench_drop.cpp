// Drop-to-shown against a plain TurboJPEG decode. For generated 1, 24 and 100
// megapixel JPEGs: the time from the drop event until the pane has painted its first
// pixels of the picture (a large JPEG's visible part), and until the picture is whole,
// next to reading the same file and decoding it with TurboJPEG to 4-byte pixels; and
// the peak memory of the drop above the empty window, next to the decoded size.
// Only JPEGs show a visible part first; other formats are decoded whole before they
// are shown. Run with `cmake --build <build> --target bench`.
#include <malloc.h>
#include <turbojpeg.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include "app/form1.h"
#include "platform/get_open_file_name.h"
#include "runtime/application.h"
#include "runtime/msgbox.h"
#include "runtime/picture.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/testing.h"
#include "process_memory.h"

namespace {

int64_t Resident() { return ProcessStatusBytes("VmRSS"); }
int64_t Peak() { return ProcessStatusBytes("VmHWM"); }
// Starts a new peak from the present resident size.
void ResetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A photo-like picture: smooth colour fields with fine grain, which compresses to a
// few bits a pixel like a camera's JPEG.
void WritePhoto(const QString& path, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    std::vector<int> colR(static_cast<size_t>(w)), colG(static_cast<size_t>(w));
    std::vector<int> rowB(static_cast<size_t>(h)), rowG(static_cast<size_t>(h));
    for (int x = 0; x < w; ++x) {
        colR[size_t(x)] = int(110 + 100 * std::sin(x * 0.0031));
        colG[size_t(x)] = int(60 * std::sin(x * 0.017));
    }
    for (int y = 0; y < h; ++y) {
        rowB[size_t(y)] = int(120 + 90 * std::cos(y * 0.0023));
        rowG[size_t(y)] = int(90 + 50 * std::sin(y * 0.011));
    }
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            line[x] = qRgb(std::clamp(colR[size_t(x)] + grain, 0, 255),
                           std::clamp(rowG[size_t(y)] + colG[size_t(x)] + grain, 0, 255),
                           std::clamp(rowB[size_t(y)] + grain, 0, 255));
        }
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    if (!writer.write(image)) qFatal("cannot write %s", qPrintable(path));
}

struct Run {
    double ms;
    int64_t peakAbove;  // bytes above the resident size before the run
};

Run Measure(const std::function<void()>& work) {
    ResetPeak();
    const int64_t before = Resident();
    QElapsedTimer timer;
    timer.start();
    work();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return {ms, Peak() - before};
}

// Best time and largest peak over a few runs.
Run Repeat(int times, const std::function<void()>& work, const std::function<void()>& between) {
    Run best{1e300, 0};
    for (int i = 0; i < times; ++i) {
        between();
        const Run r = Measure(work);
        best.ms = std::min(best.ms, r.ms);
        best.peakAbove = std::max(best.peakAbove, r.peakAbove);
    }
    return best;
}

// Reads the file and decodes it with TurboJPEG into 4-byte pixels.
void TurboDecode(const QString& path, std::vector<unsigned char>& pixels) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot open %s", qPrintable(path));
    std::vector<unsigned char> jpeg(size_t(file.size()));
    file.read(reinterpret_cast<char*>(jpeg.data()), qint64(jpeg.size()));
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &w, &h, &subsamp, &colorspace) != 0)
        qFatal("TurboJPEG: %s", tjGetErrorStr2(tj));
    pixels.resize(size_t(w) * size_t(h) * 4);
    if (tjDecompress2(tj, jpeg.data(), jpeg.size(), pixels.data(), w, 0, h, TJPF_BGRX, 0) != 0)
        qFatal("TurboJPEG: %s", tjGetErrorStr2(tj));
    tjDestroy(tj);
}

// Counts the pane's paint events, to be sure the picture was painted, and notes when
// the pane first painted a picture after Arm.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(const rt::PictureBox& pane) : pane_(pane) {}
    int paints = 0;
    qint64 shownAt = -1;
    QElapsedTimer clock;
    void Arm() {
        shownAt = -1;
        clock.start();
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Paint) return false;
        ++paints;
        if (shownAt < 0 && clock.isValid() && !pane_.Picture().Empty()) shownAt = clock.nsecsElapsed();
        return false;
    }

private:
    const rt::PictureBox& pane_;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rt::testing::SetMsgBoxHandler([](const std::u16string& prompt, int, const std::u16string&) -> int {
        qFatal("unexpected message box: %s", qPrintable(QString::fromStdU16String(prompt)));
    });

    QTemporaryDir dir;
    struct Case {
        const char* label;
        int w, h;
        int reps;
    };
    const Case cases[] = {{"1 MP", 1224, 816, 15}, {"24 MP", 6000, 4000, 5}, {"100 MP", 12240, 8160, 3}};

    std::printf("generating pictures...\n");
    std::fflush(stdout);
    for (const Case& c : cases) WritePhoto(dir.filePath(QString("%1.jpg").arg(c.w)), c.w, c.h);
    WritePhoto(dir.filePath("warm.jpg"), 64, 64);

    rt::testing::SetPrevInstance(false);
    Form1 form;
    form.Show();
    app.processEvents();
    QWidget* pane = rt::WidgetOf(form.Picture1);
    PaintCounter counter(form.Picture1);
    pane->installEventFilter(&counter);

    auto drop = [&](const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pane, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pane, &dropped);
        pane->repaint();  // paints now, into the window's backing store
    };
    auto empty = [&] {
        form.Picture1.SetPicture(rt::LoadPicture());
        pane->repaint();
    };
    drop(dir.filePath("warm.jpg"));  // loads the JPEG reader once
    empty();

    // File > Load answers its dialog with the picture's path.
    std::string openAnswer;
    rt::testing::SetOpenDialogHandler([&](const platform::OPENFILENAMEA&) { return std::optional(openAnswer); });
    // Times until the pane first painted the picture and until the picture was whole,
    // each the best of a few runs.
    struct Shown {
        double first = 1e300, whole = 1e300;
    };
    auto shownAfter = [&](int reps, const std::function<void()>& work) {
        Shown best;
        for (int i = 0; i < reps; ++i) {
            empty();
            counter.Arm();
            work();
            if (counter.shownAt < 0) qFatal("the picture was not painted");
            rt::ImageOf(form.Picture1.Picture());  // waits for the rest of the picture
            best.whole = std::min(best.whole, double(counter.clock.nsecsElapsed()) / 1e6);
            best.first = std::min(best.first, double(counter.shownAt) / 1e6);
        }
        return best;
    };
    auto wholeDrop = [&](const QString& path) {
        drop(path);
        rt::ImageOf(form.Picture1.Picture());
    };

    std::printf("\n%-7s %8s %9s %9s %9s %6s %9s %6s %10s %6s | %8s %11s %8s %11s\n", "picture", "file MB",
                "TurboJPEG", "Qt reader", "first vis", "/TJ", "complete", "/TJ", "open-first", "/drop", "decoded",
                "drop peak", "peak/dec", "TJ peak/dec");
    std::printf("%-7s %8s %9s %9s %9s %6s %9s %6s %10s %6s | %8s %11s %8s %11s\n", "", "", "ms", "ms", "ms", "", "ms",
                "", "ms", "", "MB", "above empty", "", "");
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString("%1.jpg").arg(c.w));
        const double fileMB = double(QFile(path).size()) / (1 << 20);
        const double decoded = double(c.w) * c.h * 4;

        std::vector<unsigned char> pixels;
        const Run turbo = Repeat(c.reps, [&] { TurboDecode(path, pixels); }, [&] { std::vector<unsigned char>().swap(pixels); });
        std::vector<unsigned char>().swap(pixels);

        QImage qtImage;
        const Run reader = Repeat(c.reps, [&] { qtImage = QImageReader(path).read(); }, [&] { qtImage = QImage(); });
        if (qtImage.isNull()) qFatal("Qt could not read %s (allocation limit?)", qPrintable(path));
        qtImage = QImage();

        const int paintsBefore = counter.paints;
        const Run shown = Repeat(c.reps, [&] { wholeDrop(path); }, empty);
        if (form.Picture1.Picture().PixelWidth() != c.w || counter.paints - paintsBefore < c.reps)
            qFatal("the drop did not show the picture");
        // Drop and open side by side, each to the pane's first paint of the picture.
        const Shown dropShown = shownAfter(c.reps, [&] { drop(path); });
        openAnswer = path.toStdString();
        const Shown openShown = shownAfter(c.reps, [&] { form.Load_Click(0); });
        if (form.Picture1.Picture().PixelWidth() != c.w) qFatal("the open did not show the picture");
        empty();

        std::printf("%-7s %8.1f %9.1f %9.1f %9.1f %6.3f %9.1f %6.3f %10.1f %6.3f | %8.0f %11.0f %8.3f %11.3f\n",
                    c.label, fileMB, turbo.ms, reader.ms, dropShown.first, dropShown.first / turbo.ms, dropShown.whole,
                    dropShown.whole / turbo.ms, openShown.first, openShown.first / dropShown.first, decoded / (1 << 20),
                    double(shown.peakAbove) / (1 << 20), double(shown.peakAbove) / decoded,
                    double(turbo.peakAbove) / decoded);
        std::fflush(stdout);
    }
    std::printf("\nfirst vis: drop to the pane's first paint of the picture (aim: at most 0.2 of TurboJPEG at 24 MP,\n"
                "           0.1 at 100 MP); complete: drop to the whole picture (aim: at most 1.1 of TurboJPEG)\n"
                "/drop: File > Load to the pane's first paint of the picture / a drop to the same (aim: at most 1.1)\n"
                "Only JPEG shows a visible part first; PNG, GIF, BMP, TIFF, WebP and the rest are decoded whole.\n"
                "peak/dec: peak memory above the empty window / decoded size (aim: at most 1.3)\n");
    return 0;
}
