// Save-as timings for a 24-megapixel picture, per target format: the write alone
// (SavePicture), the whole Save command (scripted dialog and box), and ImageMagick's
// convert and libvips' copy of the same picture to the same format in the same run;
// file sizes, and quality as PSNR against the source.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <random>

#include "app/form1.h"
#include "runtime/common_dialog.h"
#include "runtime/msgbox.h"
#include "runtime/picture.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace {

// A photograph stand-in: smooth colour fields, fine grain and a few hard edges.
QImage MakePicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(7);
    std::normal_distribution<float> grain(0.f, 6.f);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float fx = float(x) / w, fy = float(y) / h;
            float r = 128 + 90 * std::sin(6.1f * fx + 2.3f * fy) + 20 * std::sin(41.f * fx * fy);
            float g = 120 + 80 * std::cos(4.7f * fy - 1.3f * fx) + 15 * std::sin(29.f * fy);
            float b = 110 + 70 * std::sin(3.3f * (fx + fy)) + 25 * std::cos(17.f * fx);
            if ((x / 750 + y / 500) % 5 == 0) r = 0.6f * r + 90, g *= 0.5f;  // hard-edged patches
            const float n = grain(random);
            auto c = [](float v) { return int(std::clamp(v, 0.f, 255.f)); };
            line[x] = qRgb(c(r + n), c(g + n), c(b + n));
        }
    }
    return image;
}

double Psnr(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size()) return 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        auto* p = reinterpret_cast<const QRgb*>(x.scanLine(row));
        auto* q = reinterpret_cast<const QRgb*>(y.scanLine(row));
        for (int i = 0; i < x.width(); ++i) {
            const int dr = qRed(p[i]) - qRed(q[i]), dg = qGreen(p[i]) - qGreen(q[i]), db = qBlue(p[i]) - qBlue(q[i]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

double Ms(QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }


// Runs a converter and returns its time in ms, or -1 when it is missing or fails.
double Run(const QString& program, const QStringList& args) {
    if (program.isEmpty()) return -1;
    QElapsedTimer t;
    t.start();
    const int code = QProcess::execute(program, args);
    return code == 0 ? Ms(t) : -1;
}

QString Tool(const char* name) {
    const QString usr = QStringLiteral("/usr/bin/") + name;
    return QFileInfo::exists(usr) ? usr : QStandardPaths::findExecutable(name);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int w = 6000, h = 4000;
    QTemporaryDir dir;
    const QString root = dir.path();
    std::printf("Save-as of a %dx%d picture (%.1f MP): time in ms, size in MB, PSNR in dB against the source\n"
                "(ours: SavePicture, file synced; cmd: the whole Save command; convert: ImageMagick; vips: vips copy)\n",
                w, h, w * h / 1e6);
    const QImage source = MakePicture(w, h);
    const rt::Picture picture = rt::PictureFromImage(source);
    rt::PictureMetadata losslessSource;
    losslessSource.lossless = true;
    const rt::Picture fromLossless = rt::PictureFromFile(source, losslessSource);
    const QString ppm = root + "/source.ppm";
    source.save(ppm, "PPM");

    const QString convert = Tool("convert"), vips = Tool("vips");
    std::printf("%-6s %7s %7s %7s %7s | %6s %6s %6s | %6s %6s %6s\n", "ext", "ours", "cmd", "convert", "vips", "MB",
                "conv", "vips", "PSNR", "conv", "vips");

    Form1 form;
    rt::testing::SetMsgBoxHandler([](const std::u16string&, int, const std::u16string&) { return int(rt::vbOK); });
    // Formats to run: all, or those named on the command line; webpL is WebP from a lossless source.
    QStringList only = app.arguments().mid(1);
    for (const QString row : {"jpg", "png", "gif", "bmp", "tif", "webp", "webpL"}) {
        if (!only.isEmpty() && !only.contains(row)) continue;
        const bool lossless = row == "webpL";
        const QString ext = lossless ? QStringLiteral("webp") : row;
        const rt::Picture& shown = lossless ? fromLossless : picture;
        const QString ours = root + "/ours." + ext;
        QElapsedTimer t;
        t.start();
        rt::SavePicture(shown, rt::WindowsPath(ours.toStdString()));
        const double write = Ms(t);

        const QString viaCommand = root + "/command." + ext;
        rt::testing::SetSaveDialogHandler([&](const rt::SaveDialogRequest&) { return viaCommand.toStdString(); });
        form.Picture1.SetPicture(shown);
        t.start();
        form.Save_Click(0);
        const double command = Ms(t);

        const QString converted = root + "/convert." + ext, copied = root + "/vips." + ext;
        QFile::remove(converted);
        QFile::remove(copied);
        QStringList args{ppm};
        if (ext == "jpg" || (ext == "webp" && !lossless)) args << "-quality" << "90";
        if (lossless) args << "-define" << "webp:lossless=true";
        const double theirs = Run(convert, args << converted);
        QString options = ext == "jpg" || (ext == "webp" && !lossless) ? "[Q=90]" : lossless ? "[lossless]" : "";
        const double vipsTime = Run(vips, {"copy", ppm, copied + options});

        const auto mb = [](const QString& f) { return QFileInfo::exists(f) ? QFileInfo(f).size() / 1e6 : 0.0; };
        const auto psnr = [&](const QString& f) { return QFileInfo::exists(f) ? Psnr(source, QImage(f)) : 0.0; };
        std::printf("%-6s %7.0f %7.0f %7.0f %7.0f | %6.1f %6.1f %6.1f | %6.2f %6.2f %6.2f\n", qPrintable(row), write,
                    command, theirs, vipsTime, mb(ours), mb(converted), mb(copied), psnr(ours), psnr(converted),
                    psnr(copied));
        std::fflush(stdout);
    }
    rt::testing::SetSaveDialogHandler({});
    rt::testing::SetMsgBoxHandler({});
    std::printf("(-1: the tool is missing or cannot write the format; PSNR 99: identical)\n");
    return 0;
}
