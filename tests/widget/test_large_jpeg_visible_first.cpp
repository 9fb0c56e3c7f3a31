// A large JPEG shows its visible part first and completes on a worker: the same pixels
// as a whole decode; whatever reads the pixels gets the whole picture; a file cut short
// is refused before anything shows; a second drop or quitting stops the worker.
#include <unistd.h>

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QMimeData>
#include <QtTest>

#include "app/form1.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_jpeg_region.h"
#include "runtime/qt/picture_visible_first.h"
#include "runtime/strings.h"
#include "test_support.h"

namespace {

// Grain and hard colour edges, which tell apart any pixel decoded differently.
QImage BusyPicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(uint(w * 31 + h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(int(120 + 100 * std::sin(x * 0.01)) + int(rng.bounded(24)),
                                      ((x / 7) + (y / 5)) % 3 ? 40 : 220, int(128 + 90 * std::cos(y * 0.013))));
    return image;
}

// Sampling 1 is 4:4:4, 2 is 4:2:0; a restart marker every restartRows rows of blocks.
QByteArray JpegOf(const QImage& image, int sampling, int restartRows = 0, const QByteArray& icc = {}) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(image.width());
    c.image_height = JDIMENSION(image.height());
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = sampling;
    c.restart_in_rows = restartRows;
    jpeg_start_compress(&c, TRUE);
    if (!icc.isEmpty()) jpeg_write_icc_profile(&c, reinterpret_cast<const JOCTET*>(icc.constData()), unsigned(icc.size()));
    for (int y = 0; y < image.height(); ++y) {
        JSAMPROW row = const_cast<uchar*>(image.constScanLine(y));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    free(out);
    return bytes;
}

}  // namespace

class LargeJpegVisibleFirst : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString big, other;  // other has restart markers
    std::unique_ptr<Form1> form;
    std::unique_ptr<ScriptedBoxes> boxes;

    void DropFile(const QString& path) { DropFiles(rt::WidgetOf(form->Picture1), {path}); }
    bool Completing() const { return form->Picture1.Picture().data()->completion != nullptr; }

private slots:
    void initTestCase() {
        big = WriteFile(dir.filePath("big.jpg"), JpegOf(BusyPicture(4000, 3000), 2));
        other = WriteFile(dir.filePath("other.jpg"), JpegOf(BusyPicture(3001, 2001), 1, 1));
    }
    void init() {
        boxes = std::make_unique<ScriptedBoxes>();
        form = ShownMainWindow();
    }
    void cleanup() {
        form.reset();
        boxes.reset();
    }

    void sameAsAWholeDecode_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("sampling");
        QTest::addColumn<int>("restartRows");
        QTest::addColumn<bool>("profile");
        QTest::addColumn<QSize>("visible");
        QTest::addColumn<QRect>("inside");  // away from the corner: crop and skip both
        QTest::newRow("4:2:0, odd size") << QSize(1001, 777) << 2 << 0 << false << QSize(647, 588)
                                         << QRect(333, 201, 101, 77);
        QTest::newRow("4:4:4, odd size") << QSize(999, 611) << 1 << 0 << false << QSize(501, 300) << QRect(17, 9, 50, 50);
        QTest::newRow("4:2:0, restarts") << QSize(1600, 1200) << 2 << 1 << false << QSize(647, 588)
                                         << QRect(640, 500, 300, 300);
        QTest::newRow("4:4:4, restarts, corner") << QSize(1280, 720) << 1 << 2 << false << QSize(647, 588)
                                                 << QRect(1243, 691, 37, 29);
        QTest::newRow("narrower than the pane") << QSize(600, 2000) << 2 << 0 << false << QSize(647, 588)
                                                << QRect(1, 1999, 599, 1);
        QTest::newRow("colour profile") << QSize(1200, 900) << 2 << 0 << true << QSize(647, 588) << QRect(9, 9, 9, 9);
    }
    void sameAsAWholeDecode() {
        QFETCH(QSize, size);
        QFETCH(int, sampling);
        QFETCH(int, restartRows);
        QFETCH(bool, profile);
        QFETCH(QSize, visible);
        QFETCH(QRect, inside);
        const QByteArray icc = profile ? QColorSpace(QColorSpace::AdobeRgb).iccProfile() : QByteArray();
        QFile file(WriteFile(dir.filePath("photo.jpg"), JpegOf(BusyPicture(size.width(), size.height()), sampling,
                                                                 restartRows, icc)));
        QImage whole = QImageReader(file.fileName()).read();
        whole.setColorSpace(QColorSpace());
        QVERIFY(file.open(QIODevice::ReadOnly));

        QImage part(inside.size(), QImage::Format_RGB32);
        QVERIFY(rt::DecodeJpegArea(file.handle(), inside, part.bits(), part.bytesPerLine()).finished);
        QCOMPARE(part, whole.copy(inside));

        rt::PictureMetadata metadata;
        metadata.iccProfile = icc;
        const std::optional<rt::Picture> picture = rt::LoadVisibleFirst(file, metadata, visible);
        QVERIFY(picture);
        const QImage srgb = profile ? rt::ConvertedToSrgb(whole, icc) : whole;
        QCOMPARE(picture->data()->early, srgb.copy(QRect(QPoint(), visible) & whole.rect()));
        QCOMPARE(*rt::ImageOf(*picture), whole);
        QCOMPARE(*rt::ShownImageOf(*picture), srgb);
    }

    void visiblePartFirstThenSaveAndPaintTheWhole() {
        DropFile(big);
        QVERIFY(Completing());
        const QString target = dir.filePath("saved.bmp");
        rt::SavePicture(form->Picture1.Picture(), rt::WindowsPath(target.toStdString()));
        const QImage whole = QImageReader(big).read();
        // The window's client area right of and below the pane's corner.
        QCOMPARE(form->Picture1.Picture().data()->early, whole.copy(0, 0, 647, 588));
        QCOMPARE(QImage(target).convertToFormat(QImage::Format_RGB32), whole);
        QCOMPARE(rt::WidgetOf(form->Picture1)->grab().toImage().convertToFormat(QImage::Format_RGB32), whole);
    }

    void fileCutShortIsRefusedBeforeAnythingShows_data() {
        QTest::addColumn<bool>("restarts");
        QTest::addColumn<double>("keep");
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("no end mark") << false << 0.5 << QByteArray();
        QTest::newRow("end mark after data cut in the visible part") << false << 0.05 << QByteArray("\xFF\xD9");
        QTest::newRow("end mark after restart intervals cut below it") << true << 0.75 << QByteArray("\xFF\xD9");
    }
    void fileCutShortIsRefusedBeforeAnythingShows() {
        QFETCH(bool, restarts);
        QFETCH(double, keep);
        QFETCH(QByteArray, end);
        DropFile(restarts ? big : other);
        const rt::Picture before = form->Picture1.Picture();
        QFile whole(restarts ? other : big);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        DropFile(WriteFile(dir.filePath("cut.jpg"), whole.read(qint64(whole.size() * keep)) + end));
        QCOMPARE(int(boxes->calls.size()), 1);
        QVERIFY2(boxes->calls[0].prompt.contains("the file ends before the picture does"),
                 qPrintable(boxes->calls[0].prompt));
        QVERIFY(form->Picture1.Picture() == before);
    }

    void secondDropOrQuittingStopsTheWorker() {
        QImage image(3000, 2000, QImage::Format_RGB32), shown;
        image.fill(Qt::black);
        QFile file(big);
        QVERIFY(file.open(QIODevice::ReadOnly));
        { rt::PictureCompletion letGo(::dup(file.handle()), &image, &shown, {}); }
        QCOMPARE(image.pixel(2999, 1999), qRgb(0, 0, 0));  // stopped long before the last row

        DropFile(big);
        QVERIFY(Completing());
        DropFile(other);
        QVERIFY(rt::PictureCompletion::Running() <= 1);  // the first one's ended with its picture
        QCOMPARE(*rt::ImageOf(form->Picture1.Picture()), QImageReader(other).read());
        DropFile(big);
        form.reset();
        QCOMPARE(rt::PictureCompletion::Running(), 0);
    }
};

QTEST_MAIN(LargeJpegVisibleFirst)
#include "test_large_jpeg_visible_first.moc"
