// A large JPEG's visible part decoded first and the rest on a worker: the same pixels as
// a whole decode, and the files that are better read whole left to that.
#include <unistd.h>

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include "jpeg_files.h"
#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_jpeg_region.h"
#include "runtime/qt/picture_visible_first.h"

namespace {

// How Qt's reader decodes the file whole: the picture today's path shows.
QImage WholeDecode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImage image = QImageReader(&buffer, "jpeg").read();
    image.setColorSpace(QColorSpace());
    return image;
}

}  // namespace

class JpegVisibleFirstTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
    }

private slots:
    void sameAsAWholeDecode_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("sampling");
        QTest::addColumn<int>("restartRows");
        QTest::addColumn<bool>("profile");
        QTest::addColumn<QSize>("visible");
        QTest::addColumn<QRect>("inside");  // a rectangle away from the corner: crop and skip
        QTest::newRow("4:2:0, odd size") << QSize(1001, 777) << 2 << 0 << false << QSize(647, 588)
                                         << QRect(333, 201, 101, 77);
        QTest::newRow("4:4:4, odd size") << QSize(999, 611) << 1 << 0 << false << QSize(501, 300)
                                         << QRect(17, 9, 50, 50);
        QTest::newRow("4:2:0, restart markers") << QSize(1600, 1200) << 2 << 1 << false << QSize(647, 588)
                                                << QRect(640, 500, 300, 300);
        QTest::newRow("4:4:4, restart markers") << QSize(1280, 720) << 1 << 2 << false << QSize(647, 588)
                                                << QRect(1243, 691, 37, 29);
        QTest::newRow("narrower than the pane") << QSize(600, 2000) << 2 << 0 << false << QSize(647, 588)
                                                << QRect(1, 1999, 599, 1);
        QTest::newRow("with a colour profile") << QSize(1200, 900) << 2 << 0 << true << QSize(647, 588)
                                               << QRect(100, 100, 20, 20);
    }
    void sameAsAWholeDecode() {
        QFETCH(QSize, size);
        QFETCH(int, sampling);
        QFETCH(int, restartRows);
        QFETCH(bool, profile);
        QFETCH(QSize, visible);
        QFETCH(QRect, inside);
        const QByteArray icc = profile ? QColorSpace(QColorSpace::AdobeRgb).iccProfile() : QByteArray();
        const QByteArray bytes = JpegOf(BusyPicture(size.width(), size.height()), sampling, restartRows, icc);
        const QImage whole = WholeDecode(bytes);
        QCOMPARE(whole.size(), size);
        QFile file(Write("photo.jpg", bytes));
        QVERIFY(file.open(QIODevice::ReadOnly));

        QImage part(inside.size(), QImage::Format_RGB32);
        const rt::JpegDecoding decoded = rt::DecodeJpegArea(file.handle(), inside, part.bits(), part.bytesPerLine());
        QVERIFY(decoded.finished && !decoded.endedEarly);
        QCOMPARE(part, whole.copy(inside));

        rt::PictureMetadata metadata;
        metadata.iccProfile = icc;
        const std::optional<rt::Picture> picture = rt::LoadVisibleFirst(file, metadata, visible);
        QVERIFY(picture);
        const QImage srgb = profile ? rt::ConvertedToSrgb(whole, icc) : whole;
        QCOMPARE(picture->data()->early, srgb.copy(QRect(QPoint(), visible) & whole.rect()));
        QCOMPARE(*rt::ImageOf(*picture), whole);
        QCOMPARE(rt::ImageOf(*picture)->dotsPerMeterX(), whole.dotsPerMeterX());
        QCOMPARE(*rt::ShownImageOf(*picture), srgb);
        QCOMPARE(picture->data()->metadata.iccProfile, icc);
    }

    // Files the visible part cannot be taken from cheaply, or safely, are read whole the
    // usual way (which refuses those cut short).
    void readWholeTheUsualWay_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray jpeg = JpegOf(BusyPicture(1200, 900), 2);
        QByteArray progressive;
        QBuffer buffer(&progressive);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QVERIFY(writer.write(BusyPicture(1200, 900)));
        QTest::newRow("cut short") << jpeg.left(jpeg.size() * 2 / 3);
        // Cut inside the visible rows, with an end mark put after the cut.
        QTest::newRow("data stops before the end mark") << jpeg.left(jpeg.size() / 5) + "\xFF\xD9";
        const QByteArray restarts = JpegOf(BusyPicture(1200, 900), 2, 1);
        QTest::newRow("restart markers stop before the end mark") << restarts.left(restarts.size() * 3 / 4) + "\xFF\xD9";
        QTest::newRow("bytes after the end mark") << jpeg + "trailer";
        QTest::newRow("progressive") << progressive;
        QTest::newRow("fits in the pane") << JpegOf(BusyPicture(640, 480), 2);
    }
    void readWholeTheUsualWay() {
        QFETCH(QByteArray, bytes);
        QFile file(Write("other.jpg", bytes));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.seek(20));
        rt::PictureMetadata metadata;
        metadata.exif = "kept";
        QVERIFY(!rt::LoadVisibleFirst(file, metadata, QSize(647, 588)));
        QCOMPARE(metadata.exif, QByteArray("kept"));
        QCOMPARE(file.pos(), 20);  // the usual reader goes on from where it was
        QCOMPARE(rt::PictureCompletion::Running(), 0);
    }

    void releasedPictureStopsItsWorker() {
        const QByteArray bytes = JpegOf(BusyPicture(3000, 2000), 2);
        QFile file(Write("big.jpg", bytes));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QImage image(3000, 2000, QImage::Format_RGB32), shown;
        const QRgb untouched = qRgb(1, 2, 3);
        image.fill(untouched);
        { rt::PictureCompletion completion(::dup(file.handle()), &image, &shown, {}); }
        QCOMPARE(rt::PictureCompletion::Running(), 0);
        QCOMPARE(image.pixel(2999, 1999), untouched);  // stopped long before the last row
    }
};

QTEST_MAIN(JpegVisibleFirstTest)
#include "test_jpeg_visible_first.moc"
