// Save-as timings for a 24-megapixel picture, per target format: the write alone
// (SavePicture), the whole Save command (scripted dialog and box), and ImageMagick's
// convert of the same picture to the same format in the same run. GIF quality as
// PSNR against the source, for ours and for convert's.
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

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int w = 6000, h = 4000;
    QTemporaryDir dir;
    const QString root = dir.path();
    std::printf("Save-as of a %dx%d picture (%.1f MP), times in ms\n", w, h, w * h / 1e6);
    const QImage source = MakePicture(w, h);
    const rt::Picture picture = rt::PictureFromImage(source);
    const QString ppm = root + "/source.ppm";
    source.save(ppm, "PPM");

    const QString convert = QFileInfo::exists("/usr/bin/convert") ? QStringLiteral("/usr/bin/convert")
                                                                  : QStandardPaths::findExecutable("convert");
    std::printf("%-5s %10s %10s %10s %10s %10s %s\n", "ext", "write", "command", "convert", "size MB", "conv MB",
                "quality");

    Form1 form;
    rt::testing::SetMsgBoxHandler([](const std::u16string&, int, const std::u16string&) { return int(rt::vbOK); });
    // Formats to run: all, or those named on the command line.
    QStringList only = app.arguments().mid(1);
    for (const char* ext : {"jpg", "png", "gif", "bmp", "tif", "webp"}) {
        if (!only.isEmpty() && !only.contains(ext)) continue;
        const QString ours = root + "/ours." + ext;
        QElapsedTimer t;
        t.start();
        rt::SavePicture(picture, rt::WindowsPath(ours.toStdString()));
        const double write = Ms(t);

        const QString viaCommand = root + "/command." + ext;
        rt::testing::SetSaveDialogHandler([&](const rt::SaveDialogRequest&) { return viaCommand.toStdString(); });
        form.Picture1.SetPicture(picture);
        t.start();
        form.Save_Click(0);
        const double command = Ms(t);

        double theirs = -1;
        const QString converted = root + "/convert." + ext;
        if (!convert.isEmpty()) {
            QStringList args{ppm};
            if (!strcmp(ext, "jpg") || !strcmp(ext, "webp")) args << "-quality" << "90";
            args << converted;
            t.start();
            QProcess::execute(convert, args);
            theirs = Ms(t);
        }
        QString quality;
        if (!strcmp(ext, "gif")) {
            quality = QString("PSNR ours %1 dB, convert %2 dB")
                          .arg(Psnr(source, QImage(ours)), 0, 'f', 2)
                          .arg(QFileInfo::exists(converted) ? Psnr(source, QImage(converted)) : 0.0, 0, 'f', 2);
        } else if (!strcmp(ext, "jpg") || !strcmp(ext, "webp")) {
            quality = QString("PSNR ours %1 dB, convert %2 dB")
                          .arg(Psnr(source, QImage(ours)), 0, 'f', 2)
                          .arg(QFileInfo::exists(converted) ? Psnr(source, QImage(converted)) : 0.0, 0, 'f', 2);
        }
        std::printf("%-5s %10.0f %10.0f %10.0f %10.1f %10.1f %s\n", ext, write, command, theirs,
                    QFileInfo(ours).size() / 1e6, QFileInfo(converted).size() / 1e6, qPrintable(quality));
        std::fflush(stdout);
    }
    rt::testing::SetSaveDialogHandler({});
    rt::testing::SetMsgBoxHandler({});
    if (convert.isEmpty()) std::printf("(ImageMagick's convert not installed: no comparison)\n");
    return 0;
}
