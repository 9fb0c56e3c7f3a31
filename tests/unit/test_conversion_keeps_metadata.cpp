// Conversion keeps what matters: a camera picture in Adobe RGB, with EXIF (turned,
// with a thumbnail) and XMP, saved to each format and read back. Formats that hold a
// profile keep it and the untouched pixels; GIF and BMP get sRGB pixels and no
// metadata; the pane shows sRGB either way.
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <lcms2.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include "app/form1.h"
#include "runtime/picture.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "test_support.h"

namespace {

const QRgb kAdobe = qRgb(60, 160, 90);  // as stored in the source
const QRgb kSrgb = qRgb(0, 161, 84);    // the same colour in sRGB

QByteArray AdobeRgbProfile() {
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

// A 64 x 48 picture in one colour, stored turned (orientation 6), as a camera writes it.
void WriteCameraPicture(const QString& path, const QByteArray& profile) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(kAdobe);
    QVERIFY(image.save(path, nullptr, 100));
    QBuffer thumbnail;
    thumbnail.open(QIODevice::WriteOnly);
    image.scaled(16, 12).save(&thumbnail, "jpeg");

    auto file = Exiv2::ImageFactory::open(path.toStdString());
    file->readMetadata();
    Exiv2::ExifData& exif = file->exifData();
    exif["Exif.Image.Make"] = "Orvenna Optics";
    exif["Exif.Image.Model"] = "Moon 1";
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 30/1";
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.data().constData()),
                                            long(thumbnail.data().size()));
    file->xmpData()["Xmp.xmp.Rating"] = "3";
    Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte*>(profile.constData()), long(profile.size()));
    file->setIccProfile(icc);
    file->writeMetadata();
}

QString Rgb(QRgb c) { return QString("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

QString Field(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? QString() : QString::fromStdString(it->toString());
}

std::u16string W(const QString& host) { return rt::WindowsPath(host.toStdString()); }

}  // namespace

class ConversionKeepsMetadata : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QByteArray profile;

private slots:
    void initTestCase() {
        profile = AdobeRgbProfile();
        WriteCameraPicture(dir.filePath("camera.jpg"), profile);
        WriteCameraPicture(dir.filePath("camera.png"), profile);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("holdsMetadata");  // profile, EXIF and XMP kept, pixels untouched
        QTest::addColumn<int>("tolerance");       // largest channel difference the encoding may make
        QTest::addColumn<QByteArray>("webpKind");  // the WebP bitstream chunk: lossy or lossless
        QTest::newRow("jpg to jpg") << "camera.jpg" << "out.jpg" << true << 4 << QByteArray();
        QTest::newRow("jpg to png") << "camera.jpg" << "out.png" << true << 2 << QByteArray();
        QTest::newRow("jpg to tif") << "camera.jpg" << "out.tif" << true << 2 << QByteArray();
        QTest::newRow("jpg to webp") << "camera.jpg" << "out.webp" << true << 4 << QByteArray("VP8 ");
        QTest::newRow("jpg to gif") << "camera.jpg" << "out.gif" << false << 6 << QByteArray();
        QTest::newRow("jpg to bmp") << "camera.jpg" << "out.bmp" << false << 2 << QByteArray();
        QTest::newRow("png to webp, lossless") << "camera.png" << "lossless.webp" << true << 0 << QByteArray("VP8L");
        QTest::newRow("png to bmp") << "camera.png" << "fromlossless.bmp" << false << 2 << QByteArray();
    }
    void roundTrip() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, holdsMetadata);
        QFETCH(int, tolerance);
        QFETCH(QByteArray, webpKind);
        const rt::Picture picture = rt::LoadPicture(W(dir.filePath(source)));
        QCOMPARE(QSize(picture.PixelWidth(), picture.PixelHeight()), QSize(48, 64));  // upright

        // The pane paints the picture in sRGB.
        std::unique_ptr<Form1> form = ShownMainWindow();
        form->Picture1.SetPicture(picture);
        const QRgb painted = rt::WidgetOf(form->Picture1)->grab().toImage().pixel(10, 10);
        QVERIFY2(Near(painted, kSrgb, 2), qPrintable(Rgb(painted)));

        const QString path = dir.filePath(target);
        rt::SavePicture(picture, W(path));

        if (!webpKind.isEmpty()) {
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QVERIFY(written.readAll().contains(webpKind));
        }
        QImageReader reader(path);
        reader.setAutoTransform(false);
        const QImage stored = reader.read();
        QCOMPARE(stored.size(), QSize(48, 64));
        const QRgb pixel = stored.pixel(24, 32);
        QVERIFY2(Near(pixel, holdsMetadata ? kAdobe : kSrgb, tolerance), qPrintable(Rgb(pixel)));

        auto file = Exiv2::ImageFactory::open(path.toStdString());
        file->readMetadata();
        const Exiv2::ExifData& exif = file->exifData();
        QCOMPARE(file->iccProfileDefined(), holdsMetadata);
        QCOMPARE(exif.empty(), !holdsMetadata);
        QCOMPARE(file->xmpData().empty(), !holdsMetadata);
        if (holdsMetadata) {
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(file->iccProfile()->pData_), file->iccProfile()->size_),
                     profile);
            const auto field = [&](const char* key) { return Field(exif, key); };
            QCOMPARE(field("Exif.Image.Make"), QString("Orvenna Optics"));
            QCOMPARE(field("Exif.Image.Model"), QString("Moon 1"));
            QCOMPARE(field("Exif.Photo.DateTimeOriginal"), QString("2024:05:06 07:08:09"));
            QCOMPARE(field("Exif.GPSInfo.GPSLatitude"), QString("48/1 51/1 30/1"));
            QCOMPARE(field("Exif.Image.Orientation"), QString("1"));
            QCOMPARE(Exiv2::ExifThumbC(exif).copy().size_, 0L);
            QCOMPARE(QString::fromStdString(file->xmpData()["Xmp.xmp.Rating"].toString()), QString("3"));
        }
        // Read back, the picture shows upright and in sRGB again.
        const rt::Picture back = rt::LoadPicture(W(path));
        const QRgb shown = rt::ShownImageOf(back)->pixel(24, 32);
        QCOMPARE(QSize(back.PixelWidth(), back.PixelHeight()), QSize(48, 64));
        QVERIFY2(Near(shown, kSrgb, tolerance + 2), qPrintable(Rgb(shown)));
    }

    // A phone's HEIC photo converted to JPEG keeps its camera data; its pixels come out
    // in sRGB, so no profile goes with them.
    void heicToJpegKeepsCameraData() {
        const QString heic = dir.filePath("phone.heic");
        QCOMPARE(QProcess::execute("heif-enc", {"-q", "95", dir.filePath("camera.jpg"), "-o", heic}), 0);
        const rt::Picture picture = rt::LoadPicture(W(heic));
        QCOMPARE(QSize(picture.PixelWidth(), picture.PixelHeight()), QSize(48, 64));
        const QString path = dir.filePath("fromphone.jpg");
        rt::SavePicture(picture, W(path));

        auto file = Exiv2::ImageFactory::open(path.toStdString());
        file->readMetadata();
        const Exiv2::ExifData& exif = file->exifData();
        QVERIFY(!file->iccProfileDefined());
        QCOMPARE(Field(exif, "Exif.Image.Model"), QString("Moon 1"));
        QCOMPARE(Field(exif, "Exif.GPSInfo.GPSLatitude"), QString("48/1 51/1 30/1"));
        QCOMPARE(Field(exif, "Exif.Image.Orientation"), QString("1"));
        const QRgb pixel = QImage(path).pixel(24, 32);
        QVERIFY2(Near(pixel, kSrgb, 6), qPrintable(Rgb(pixel)));
    }
};

QTEST_MAIN(ConversionKeepsMetadata)
#include "test_conversion_keeps_metadata.moc"
