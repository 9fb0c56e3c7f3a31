// The formats Qt's readers leave out: HEIF, AVIF and JPEG XL pictures made here with
// the Debian encoders, QOI and TGA written byte by byte. Each is read by content within
// its format's tolerance and upright, a cut-short copy is refused, and AVIF and JPEG XL
// are written back.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/picture_limits.h"
#include "runtime/testing.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "test_support.h"

namespace {

// Four saturated quadrants with a soft gradient: wrong matrices, ranges or channel orders
// show at the quadrant centres, turns in where each colour ends up.
QImage Quadrants(QImage::Format format = QImage::Format_RGB32) {
    QImage image(64, 48, QImage::Format_ARGB32);
    const QRgb corner[4] = {qRgb(30, 40, 220), qRgb(220, 30, 40), qRgb(40, 200, 60), qRgb(230, 220, 60)};
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb c = corner[(y >= 24) * 2 + (x >= 32)];
            image.setPixel(x, y, qRgba(qRed(c), qGreen(c), std::min(255, qBlue(c) + x / 8), y < 4 ? 128 : 255));
        }
    return image.convertToFormat(format);
}

// Samples of exactly 10 bits, widened to 16 by repeating their top bits: what a 10-bit
// file stores of it is exact, and what it should read as in 8 bits is known.
QImage Ramp16() {
    QImage image(1024, 4, QImage::Format_RGBX64);
    const auto wide = [](int v10) { return quint16((v10 << 6) | (v10 >> 4)); };
    for (int y = 0; y < 4; ++y)
        for (int v = 0; v < 1024; ++v)
            image.setPixelColor(v, y, QColor::fromRgba64(wide(v), wide(1023 - v), wide((v * 7) % 1024)));
    return image;
}
// The ramp at 8 bits, each sample scaled from `bits` bits with rounding.
QImage Ramp8(int bits) {
    const QImage deep = Ramp16();
    QImage image(deep.size(), QImage::Format_RGB32);
    const auto down = [bits](int v16) {
        const int max = (1 << bits) - 1, v = bits == 16 ? v16 : v16 >> (16 - bits);
        return (v * 255 + max / 2) / max;
    };
    for (int y = 0; y < deep.height(); ++y)
        for (int x = 0; x < deep.width(); ++x) {
            const QRgba64 c = deep.pixelColor(x, y).rgba64();
            image.setPixel(x, y, qRgb(down(c.red()), down(c.green()), down(c.blue())));
        }
    return image;
}

QImage Grey(const QImage& image) { return image.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32); }

// A JPEG of the picture whose EXIF block says to turn it a quarter clockwise.
QByteArray JpegTurnedByExif(const QImage& image) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 97);
    jpeg.insert(2, QByteArray("\xFF\xE1\x00\x22" "Exif\0\0" "II\x2A\x00\x08\x00\x00\x00" "\x01\x00"
                              "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00" "\x00\x00\x00\x00", 36));
    return jpeg;
}

QByteArray Bgr(QRgb c) { return QByteArray(1, char(qBlue(c))) + char(qGreen(c)) + char(qRed(c)); }
QByteArray Le16(int v) { return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF); }

// A TGA of the picture. kind 1 indexes a colour map of the picture's colours, 2 is BGR
// (or BGRA with alpha), 3 is grey; rle packs runs of equal pixels.
QByteArray Tga(const QImage& image, int kind, bool rle, bool fromTop, bool alpha = false) {
    QList<QRgb> map;
    const int depth = kind == 2 ? (alpha ? 32 : 24) : 8;
    const auto stored = [&](QRgb c) -> QByteArray {
        if (kind == 3) return QByteArray(1, char(qRed(c)));
        if (kind == 1) {
            if (!map.contains(c)) map.append(c);
            return QByteArray(1, char(map.indexOf(c)));
        }
        return alpha ? Bgr(c) + char(qAlpha(c)) : Bgr(c);
    };
    QList<QByteArray> pixels;
    for (int row = 0; row < image.height(); ++row)
        for (int x = 0; x < image.width(); ++x)
            pixels.append(stored(image.pixel(x, fromTop ? row : image.height() - 1 - row)));
    QByteArray data;
    for (qsizetype i = 0; i < pixels.size();) {
        if (!rle) {
            data += pixels[i++];
            continue;
        }
        qsizetype n = 1;
        while (i + n < pixels.size() && n < 128 && pixels[i + n] == pixels[i]) ++n;
        if (n > 1) {
            data += char(0x80 | (n - 1)) + pixels[i];
        } else {  // a raw packet up to the next run
            while (i + n < pixels.size() && n < 128 && pixels[i + n] != pixels[i + n - 1]) ++n;
            data += char(n - 1);
            for (qsizetype k = 0; k < n; ++k) data += pixels[i + k];
        }
        i += n;
    }
    QByteArray colourMap;
    for (QRgb c : map) colourMap += Bgr(c);
    QByteArray header(3, '\0');
    header[1] = char(kind == 1);
    header[2] = char(kind | (rle ? 8 : 0));
    header += Le16(0) + Le16(int(map.size())) + char(kind == 1 ? 24 : 0) + Le16(0) + Le16(0) + Le16(image.width()) +
              Le16(image.height()) + char(depth) + char((fromTop ? 0x20 : 0) | (alpha ? 8 : 0));
    return header + colourMap + data;
}

// A 4 x 2 QOI using every chunk kind, and the pixels it stands for.
QByteArray QoiOfEveryChunk() {
    QByteArray q("qoif\0\0\0\x04\0\0\0\x02\x04\x00", 14);
    q += QByteArray("\xFE\x64\xC8\x32", 4);  // RGB 100 200 50 (alpha stays 255)
    q += QByteArray("\xFF\x0A\x14\x1E\x80", 5);  // RGBA 10 20 30 128
    q += char(0x40 | (3 << 4) | (0 << 2) | 2);  // DIFF red +1, green -2, blue 0
    q += QByteArray("\xA5\x7A", 2);  // LUMA green +5, red 5-1, blue 5+2
    q += char(0xC0 | 1);  // RUN of 2
    q += QByteArray(2, char((100 * 3 + 200 * 5 + 50 * 7 + 255 * 11) % 64));  // INDEX of the first pixel, twice
    q += QByteArray("\0\0\0\0\0\0\0\x01", 8);
    return q;
}
QImage QoiOfEveryChunkPixels() {
    QImage image(4, 2, QImage::Format_ARGB32);
    const QRgb p[8] = {qRgba(100, 200, 50, 255), qRgba(10, 20, 30, 128), qRgba(11, 18, 30, 128), qRgba(15, 23, 37, 128),
                       qRgba(15, 23, 37, 128),  qRgba(15, 23, 37, 128), qRgba(100, 200, 50, 255), qRgba(100, 200, 50, 255)};
    for (int i = 0; i < 8; ++i) image.setPixel(i % 4, i / 4, p[i]);
    return image;
}

struct Difference {
    int worst = 0;  // the largest channel difference, alpha included
    double mean = 0;
};
// With lossy set, the worst difference leaves out the pixels near the quadrants' edges,
// which lossy coding blurs.
Difference Compare(const QImage& a, const QImage& b, bool lossy) {
    Difference d;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), r = b.pixel(x, y);
            const bool edge = std::abs(2 * x - a.width()) < 8 || std::abs(2 * y - a.height()) < 8 || y < 6;
            for (int c : {qRed(p) - qRed(r), qGreen(p) - qGreen(r), qBlue(p) - qBlue(r), qAlpha(p) - qAlpha(r)}) {
                if (!lossy || !edge) d.worst = std::max(d.worst, std::abs(c));
                sum += std::abs(c);
            }
        }
    d.mean = sum / (4.0 * a.width() * a.height());
    return d;
}

}  // namespace

class PictureFormats : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
    }
    static std::u16string Win(const QString& host) { return rt::WindowsPath(host.toStdString()); }
    static int ErrorOf(const QString& host, QString* text) {
        try {
            rt::LoadPicture(Win(host));
        } catch (const rt::RuntimeError& e) {
            *text = q(e.Description());
            return e.Number();
        }
        return 0;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void readsEachFormat_data() {
        QTest::addColumn<QString>("tool");         // the encoder that makes the file, or none
        QTest::addColumn<QStringList>("options");  // its options, "in" and "out" standing for the files
        QTest::addColumn<QByteArray>("input");     // what it encodes, or the file itself
        QTest::addColumn<QString>("name");         // of the file read
        QTest::addColumn<QImage>("expected");      // the picture read, upright, in 8 bits
        // Lossless files are read exactly, except HEIF: libheif's lossless encoding is off
        // by one now and then. Saturated blue strays most in lossy JPEG XL.
        QTest::addColumn<int>("worst");            // tolerances: largest channel difference
        QTest::addColumn<double>("mean");          // and mean difference
        const QImage quads = Quadrants(), turned = quads.transformed(QTransform().rotate(90));
        QByteArray png, png16;
        QBuffer b1(&png), b2(&png16);
        b1.open(QIODevice::WriteOnly), b2.open(QIODevice::WriteOnly);
        quads.save(&b1, "png"), Ramp16().save(&b2, "png");
        const QStringList heicLossless{"-L", "-p", "chroma=444", "--matrix_coefficients=0", "-b", "10", "-o", "out", "in"};
        const QStringList heic{"-q", "95", "-o", "out", "in"}, inOut{"in", "out"};
        QTest::newRow("heic") << "heif-enc" << heic << png << "a.heic" << quads << 24 << 3.0;
        QTest::newRow("heic 10-bit") << "heif-enc" << heicLossless << png16 << "b.heic" << Ramp8(10) << 1 << 0.2;
        QTest::newRow("heic exif turn") << "heif-enc" << heic << JpegTurnedByExif(quads) << "c.heic"
                                        << turned << 24 << 3.0;
        QTest::newRow("avif") << "avifenc" << QStringList{"-s", "8", "--min", "0", "--max", "8", "in", "out"} << png << "a.avif" << quads
                              << 24 << 3.0;
        QTest::newRow("avif 10-bit") << "avifenc" << QStringList{"-l", "-d", "10", "in", "out"} << png16 << "b.avif" << Ramp8(10) << 0
                                     << 0.0;
        QTest::newRow("avif irot") << "avifenc" << QStringList{"-s", "8", "in", "out"} << JpegTurnedByExif(quads) << "c.avif" << turned
                                   << 24 << 3.0;
        QTest::newRow("jxl") << "cjxl" << QStringList{"-d", "0.5", "in", "out"} << png << "a.jxl" << quads << 64 << 3.0;
        QTest::newRow("jxl 16-bit") << "cjxl" << QStringList{"-d", "0", "in", "out"} << png16 << "b.jxl" << Ramp8(16) << 0 << 0.0;
        QTest::newRow("jxl orientation") << "cjxl" << inOut << JpegTurnedByExif(quads) << "c.jxl" << turned << 64
                                         << 3.0;
        QTest::newRow("qoi rgba, every chunk") << "" << QStringList{} << QoiOfEveryChunk() << "a.qoi"
                                               << QoiOfEveryChunkPixels() << 0 << 0.0;
        const QImage alpha = Quadrants(QImage::Format_ARGB32);
        for (bool rle : {false, true}) {
            const QString r = rle ? " rle" : "";
            QTest::newRow(qPrintable("tga bgr bottom-up" + r)) << "" << QStringList{} << Tga(quads, 2, rle, false)
                                                               << "a.tga" << quads << 0 << 0.0;
            QTest::newRow(qPrintable("tga bgra top-down" + r)) << "" << QStringList{} << Tga(alpha, 2, rle, true, true)
                                                               << "b.tga" << alpha << 0 << 0.0;
            QTest::newRow(qPrintable("tga grey" + r)) << "" << QStringList{} << Tga(Grey(quads), 3, rle, false) << "c.tga"
                                                      << Grey(quads) << 0 << 0.0;
            QTest::newRow(qPrintable("tga palette top-down" + r))
                << "" << QStringList{} << Tga(Ramp8(10).copy(0, 0, 200, 4), 1, rle, true) << "d.tga"
                << Ramp8(10).copy(0, 0, 200, 4) << 0 << 0.0;
        }
    }
    void readsEachFormat() {
        QFETCH(QString, tool);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, input);
        QFETCH(QString, name);
        QFETCH(QImage, expected);
        QFETCH(int, worst);
        QFETCH(double, mean);
        QString path = Write(name, input);
        if (!tool.isEmpty()) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (scripts/packages.txt lists it)"));
            const QString source = Write(name + (input.startsWith("\x89PNG") ? ".png" : ".jpg"), input);
            QProcess encoder;
            options.replaceInStrings(QRegularExpression("^in$"), source);
            options.replaceInStrings(QRegularExpression("^out$"), path);
            encoder.start(tool, options);
            QVERIFY(encoder.waitForFinished(60000));
            QVERIFY2(encoder.exitCode() == 0, encoder.readAllStandardError().constData());
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();

        // Read by content: the name says nothing.
        const QString unnamed = Write("unnamed-" + QFileInfo(name).completeBaseName(), whole);
        const rt::Picture picture = rt::LoadPicture(Win(name.endsWith(".tga") ? path : unnamed));
        const QImage& image = *rt::ImageOf(picture);
        QCOMPARE(image.size(), expected.size());
        QVERIFY(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
        const Difference d = Compare(image, expected, worst > 0);
        QVERIFY2(d.worst <= worst && d.mean <= mean, qPrintable(QString("worst %1, mean %2").arg(d.worst).arg(d.mean)));

        QString text;
        QCOMPARE(ErrorOf(Write("cut-" + name, whole.left(whole.size() / 2)), &text), int(rt::ErrInvalidPicture));
        QVERIFY2(text.contains("ends before the picture does"), qPrintable(text));

        int number = 0;
        {
            rt::testing::ScopedPictureBytesLimit limit(1 << 20);
            number = ErrorOf(path, &text);
        }
        QCOMPARE(number, int(rt::ErrPictureTooLarge));
        QVERIFY2(text.contains(QString("declares %1 x %2 pixels").arg(expected.width()).arg(expected.height())),
                 qPrintable(text));
    }

    void writesAvifAndJxl_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<qsizetype>("at");
        QTest::newRow("avif") << "w.avif" << QByteArray("ftypavif") << qsizetype(4);
        QTest::newRow("jxl") << "w.JXL" << QByteArray("\xFF\x0A", 2) << qsizetype(0);
    }
    void writesAvifAndJxl() {
        QFETCH(QString, name);
        QFETCH(QByteArray, signature);
        QFETCH(qsizetype, at);
        const QImage source = Quadrants(QImage::Format_ARGB32);
        const QString path = dir.filePath(name);
        rt::SavePicture(rt::PictureFromImage(source), Win(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().mid(at, signature.size()), signature);
        const QImage back = *rt::ImageOf(rt::LoadPicture(Win(path)));
        QCOMPARE(back.format(), QImage::Format_ARGB32);  // the half-transparent band is kept
        const Difference d = Compare(back, source, true);
        // libjxl spends few bits on blue: single pixels of saturated colour stray further.
        QVERIFY2(d.worst <= (name.endsWith("avif") ? 24 : 64) && d.mean <= 3, qPrintable(QString("worst %1, mean %2").arg(d.worst).arg(d.mean)));
    }
};

QTEST_MAIN(PictureFormats)
#include "test_picture_formats.moc"
