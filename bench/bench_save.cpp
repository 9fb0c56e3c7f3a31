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
#include "bench_pictures.h"

namespace {

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
