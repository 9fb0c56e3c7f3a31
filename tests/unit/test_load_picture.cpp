// Reading picture files: by content, upright, first frame, 4-byte pixels, big photos;
// and a clear refusal, naming the file and the reason, for everything else.
#include <gif_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCursor>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>
#include <array>

#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "runtime/testing.h"
#include "test_support.h"

namespace {

QByteArray Encode(const QImage& image, const char* format, int quality = 90) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) qFatal("cannot encode %s", format);
    return bytes;
}

// Left half blue, right half red: shows which way a picture was turned.
QImage TwoHalves(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x) image.setPixel(x, y, qRgb(0, 0, 255));
    return image;
}

// A two-frame GIF: red, then blue.
void WriteAnimatedGif(const QString& path, int w, int h) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
    QVERIFY(gif);
    GifColorType colors[2] = {{255, 0, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(2, colors);
    EGifSetGifVersion(gif, true);
    QCOMPARE(EGifPutScreenDesc(gif, w, h, 1, 0, map), GIF_OK);
    unsigned char loop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    unsigned char loopCount[] = {1, 0, 0};
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, sizeof loop, loop);
    EGifPutExtensionBlock(gif, sizeof loopCount, loopCount);
    EGifPutExtensionTrailer(gif);
    for (GifPixelType index : {GifPixelType(0), GifPixelType(1)}) {
        unsigned char control[] = {0, 10, 0, 0};  // 0.1 s per frame
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof control, control);
        QCOMPARE(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), GIF_OK);
        std::vector<GifPixelType> line(size_t(w), index);
        for (int y = 0; y < h; ++y) QCOMPARE(EGifPutLine(gif, line.data(), w), GIF_OK);
    }
    GifFreeMapObject(map);
    QCOMPARE(EGifCloseFile(gif, &error), GIF_OK);
}

// A small real JPEG whose frame header claims another size.
QByteArray JpegDeclaring(int w, int h) {
    QByteArray jpeg = Encode(TwoHalves(16, 16), "jpeg");
    const int sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0) qFatal("no baseline frame header");
    jpeg[sof + 5] = char(h >> 8), jpeg[sof + 6] = char(h & 0xFF);
    jpeg[sof + 7] = char(w >> 8), jpeg[sof + 8] = char(w & 0xFF);
    return jpeg;
}

// Crafted files: tiny on disk, huge once decoded.
quint32 Crc32(const QByteArray& bytes) {
    quint32 c = 0xFFFFFFFF;
    for (char b : bytes) {
        c ^= quint8(b);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0u - (c & 1)));
    }
    return ~c;
}
QByteArray Be32(quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    return QByteArray(b, 4);
}
QByteArray Le16(quint16 v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); }
QByteArray Le32(quint32 v) { return Le16(quint16(v)) + Le16(quint16(v >> 16)); }
QByteArray Chunk(const char* type, const QByteArray& data) {
    const QByteArray body = type + data;
    return Be32(data.size()) + body + Be32(Crc32(body));
}
// The chunks of a PNG whose samples are all zero (colour type 0 grey, 6 RGBA), with the
// data of its first rows only, or of all.
QByteArray ZeroPngChunks(quint32 w, quint32 h, int depth, int colorType, quint32 rows = 0) {
    const qsizetype row = 1 + (qsizetype(w) * (colorType == 6 ? 4 : 1) * depth + 7) / 8;
    const QByteArray zlib = qCompress(QByteArray(row * (rows ? rows : h), '\0')).mid(4);  // without Qt's length prefix
    const QByteArray ihdr = Be32(w) + Be32(h) + char(depth) + char(colorType) + QByteArray(3, '\0');
    return Chunk("IHDR", ihdr) + Chunk("IDAT", zlib) + Chunk("IEND", {});
}
QByteArray ZeroPng(quint32 w, quint32 h, int depth, int colorType) {
    return "\x89PNG\r\n\x1a\n" + ZeroPngChunks(w, h, depth, colorType);
}

}  // namespace

class LoadPictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
    }
    static std::u16string Win(const QString& hostPath) { return rt::WindowsPath(hostPath.toStdString()); }
    static const QImage& Image(const rt::Picture& p) { return *rt::ImageOf(p); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void noPathGivesTheEmptyPicture() {
        QVERIFY(rt::LoadPicture().Empty());
        QVERIFY(rt::LoadPicture(u"").Empty());
    }

    void readsByContentNotByName() {
        const QString png = Write("really-a-png.jpg", Encode(TwoHalves(30, 10), "png"));
        const rt::Picture p = rt::LoadPicture(Win(png));
        QCOMPARE(p.PixelWidth(), 30);
        QCOMPARE(p.PixelHeight(), 10);
        QVERIFY(Near(Image(p).pixel(0, 0), qRgb(0, 0, 255), 0));
        // A JPEG without any extension, and one named .gif, load all the same.
        const QByteArray jpeg = Encode(TwoHalves(24, 8), "jpeg");
        QCOMPARE(rt::LoadPicture(Win(Write("noextension", jpeg))).PixelWidth(), 24);
        QCOMPARE(rt::LoadPicture(Win(Write("photo.gif", jpeg))).PixelWidth(), 24);
    }

    void honoursExifOrientation() {
        // Stored 40 x 20 with orientation 6 (turn 90 degrees clockwise to view): an
        // EXIF block of one entry right after the start marker.
        const QByteArray exif("\xFF\xE1\x00\x22" "Exif\0\0"         // APP1, length 34
                              "II\x2A\x00\x08\x00\x00\x00"          // little-endian TIFF, IFD at 8
                              "\x01\x00"                            // one entry
                              "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"  // Orientation = 6
                              "\x00\x00\x00\x00",                 // no next IFD
                              36);
        QByteArray bytes = Encode(TwoHalves(40, 20), "jpeg");
        bytes.insert(2, exif);
        const rt::Picture p = rt::LoadPicture(Win(Write("turned.jpg", bytes)));
        QCOMPARE(p.PixelWidth(), 20);
        QCOMPARE(p.PixelHeight(), 40);
        // The blue left half is now the top half.
        QVERIFY(Near(Image(p).pixel(10, 5), qRgb(0, 0, 255)));
        QVERIFY(Near(Image(p).pixel(10, 35), qRgb(255, 0, 0)));
    }

    void takesTheFirstFrameOfAnAnimation() {
        const QString path = dir.filePath("anim.gif");
        WriteAnimatedGif(path, 12, 9);
        if (QTest::currentTestFailed()) return;
        QImageReader check(path);
        QCOMPARE(check.imageCount(), 2);
        const rt::Picture p = rt::LoadPicture(Win(path));
        QCOMPARE(p.PixelWidth(), 12);
        QCOMPARE(p.PixelHeight(), 9);
        QVERIFY(Near(Image(p).pixel(5, 5), qRgb(255, 0, 0), 0));
    }

    void wholeFirstFrameLoadsWhateverFollowsIt() {
        // Files with bytes after the end mark, without it, or cut inside a later frame
        // still hold the whole first frame, which is all that is shown.
        const QString path = dir.filePath("whole-anim.gif");
        WriteAnimatedGif(path, 300, 200);
        if (QTest::currentTestFailed()) return;
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        QVERIFY(whole.endsWith(';'));
        const QList<QByteArray> variants = {whole + QByteArray(64, '\0'), whole.chopped(1),
                                            whole.left(whole.size() * 3 / 4)};
        for (int i = 0; i < variants.size(); ++i) {
            const rt::Picture p = rt::LoadPicture(Win(Write(QString("tail%1.gif").arg(i), variants[i])));
            QCOMPARE(p.PixelWidth(), 300);
            QVERIFY(Near(Image(p).pixel(150, 190), qRgb(255, 0, 0), 0));
        }
    }

    void sixteenBitPngBecomesFourBytePixels() {
        QImage deep(8, 6, QImage::Format_RGBX64);
        deep.fill(QColor::fromRgba64(0x1234, 0x8000, 0xFFFF));
        const QByteArray png = Encode(deep, "png");
        QImageReader raw(Write("probe16.png", png));
        QCOMPARE(raw.read().format(), QImage::Format_RGBX64);  // the file really is 16-bit
        const rt::Picture p = rt::LoadPicture(Win(Write("deep.png", png)));
        QCOMPARE(Image(p).format(), QImage::Format_RGB32);
        QVERIFY(Near(Image(p).pixel(3, 3), qRgb(0x12, 0x80, 0xFF), 1));
        // With an alpha channel the transparency stays.
        QImage deepAlpha(4, 4, QImage::Format_RGBA64);
        deepAlpha.fill(QColor::fromRgba64(0xFFFF, 0, 0, 0x8000));
        const rt::Picture a = rt::LoadPicture(Win(Write("deep-alpha.png", Encode(deepAlpha, "png"))));
        QCOMPARE(Image(a).format(), QImage::Format_ARGB32);
        QVERIFY(qAbs(qAlpha(Image(a).pixel(1, 1)) - 128) <= 1);
    }

    void cmykJpegIsShownInRgb() {
        const QString convert = QStandardPaths::findExecutable("convert");
        if (convert.isEmpty()) QSKIP("ImageMagick's convert makes the CMYK JPEG and is not installed");
        const QString path = dir.filePath("cmyk.jpg");
        QCOMPARE(QProcess::execute(convert, {"-size", "16x16", "xc:#00c000", "-colorspace", "CMYK", path}), 0);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const int sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
        QVERIFY(sof > 0);
        QCOMPARE(int(bytes[sof + 9]), 4);  // four components
        const rt::Picture p = rt::LoadPicture(Win(path));
        QCOMPARE(Image(p).format(), QImage::Format_RGB32);
        QVERIFY2(Near(Image(p).pixel(8, 8), qRgb(0, 0xc0, 0)), qPrintable(QString::number(Image(p).pixel(8, 8), 16)));
    }

    void hundredMegapixelPhotoLoads() {
        // Beyond Qt's default allocation limit of 128 MB.
        QImage photo(10000, 10000, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) line[x] = qRgb(x & 0xFF, y & 0xFF, 128);
        }
        const QString path = Write("hundred.jpg", Encode(photo, "jpeg", 70));
        photo = QImage();
        const rt::Picture p = rt::LoadPicture(Win(path));
        QCOMPARE(p.PixelWidth(), 10000);
        QCOMPARE(p.PixelHeight(), 10000);
        QVERIFY(Near(Image(p).pixel(9999, 9999), qRgb(9999 & 0xFF, 9999 & 0xFF, 128), 40));
        QVERIFY(!QGuiApplication::overrideCursor());  // the busy pointer is gone again
    }

    void busyPointerWhileALargePictureDecodes() {
        // A large JPEG cut short: what the pointer is as its decoding starts is what the
        // user sees while it loads.
        QImage big(2500, 2000, QImage::Format_RGB32);
        big.fill(qRgb(10, 200, 30));
        const QByteArray jpeg = Encode(big, "jpeg");
        const QString path = Write("large-cut.jpg", jpeg.left(jpeg.size() * 6 / 10));
        QList<int> shapes;
        rt::testing::ScopedPictureDecodingObserver observer([&shapes] {
            const QCursor* c = QGuiApplication::overrideCursor();
            shapes << (c ? int(c->shape()) : -1);
        });
        shapes.clear();
        QVERIFY_THROWS_EXCEPTION(rt::RuntimeError, rt::LoadPicture(Win(path)));
        const QList<int> large = shapes;
        // A small picture does not flash the pointer.
        QImage small(300, 200, QImage::Format_RGB32);
        small.fill(qRgb(10, 200, 30));
        const QByteArray smallJpeg = Encode(small, "jpeg");
        shapes.clear();
        QVERIFY_THROWS_EXCEPTION(rt::RuntimeError,
                                 rt::LoadPicture(Win(Write("small-cut.jpg", smallJpeg.left(smallJpeg.size() * 6 / 10)))));
        const QList<int> smallShapes = shapes;
        QVERIFY(!large.isEmpty() && !smallShapes.isEmpty());
        QCOMPARE(large.first(), int(Qt::WaitCursor));
        QCOMPARE(smallShapes.first(), -1);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void refusals_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("reason");

        // Cuts fall inside the compressed data, as with a download stopped short.
        QImage busy(256, 256, QImage::Format_RGB32);
        QRandomGenerator pixels(3);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) busy.setPixel(x, y, pixels.generate() | 0xFF000000);
        const QByteArray jpeg = Encode(busy, "jpeg");
        const QByteArray png = Encode(busy, "png");
        // Whole length, but the tables and frame header after the start marker are overwritten.
        QByteArray corrupt = jpeg;
        corrupt.replace(2, 600, QByteArray(600, '\x5A'));
        QByteArray noise(4096, 0);
        QRandomGenerator rng(7);
        for (char& c : noise) c = char(rng.bounded(256));
        noise[0] = 'x';  // never a signature by chance

        QTest::newRow("zero bytes") << "empty.jpg" << QByteArray() << 481 << "the file is empty";
        QTest::newRow("random bytes named .jpg") << "noise.jpg" << noise << 481 << "not a picture";
        QTest::newRow("corrupt jpeg") << "corrupt.jpg" << corrupt << 481 << "damaged or not a picture";
        QTest::newRow("truncated jpeg") << "cut.jpg" << jpeg.left(jpeg.size() / 2) << 481 << "ends before";
        QTest::newRow("truncated png") << "cut.png" << png.left(png.size() / 2) << 481 << "ends before";
        QTest::newRow("truncated gif") << "cut.gif" << QByteArray() << 481 << "ends before";
        QTest::newRow("header declares 60000x60000") << "huge.jpg" << JpegDeclaring(60000, 60000) << 482
                                                     << "header declares 60000 x 60000 pixels";
    }
    void refusals() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        QFETCH(QString, reason);
        if (name == "cut.gif") {  // Qt has no GIF writer: giflib writes it, then it is cut
            WriteAnimatedGif(dir.filePath("whole.gif"), 300, 200);
            QFile whole(dir.filePath("whole.gif"));
            QVERIFY(whole.open(QIODevice::ReadOnly));
            bytes = whole.readAll().left(whole.size() / 3);
        }
        const QString host = Write(name, bytes);
        try {
            rt::LoadPicture(Win(host));
            QFAIL("loaded");
        } catch (const rt::RuntimeError& e) {
            QCOMPARE(e.Number(), number);
            const QString text = q(e.Description());
            QVERIFY2(text.contains(host), qPrintable(text));  // names the file as the system writes it
            QVERIFY2(text.contains(reason), qPrintable(text));
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void missingFolderAndSpecialFiles() {
        auto numberOf = [](const std::u16string& path) {
            try {
                rt::LoadPicture(path);
            } catch (const rt::RuntimeError& e) {
                return e.Number();
            }
            return 0;
        };
        QCOMPARE(numberOf(Win(dir.filePath("not-there.jpg"))), int(rt::ErrFileNotFound));
        QCOMPARE(numberOf(Win(dir.filePath("no-folder/x.jpg"))), int(rt::ErrFileNotFound));
        QVERIFY(QDir(dir.path()).mkdir("folder.jpg"));
        QCOMPARE(numberOf(Win(dir.filePath("folder.jpg"))), int(rt::ErrPathFileAccess));
        // A pipe would block the reader forever; it is refused before opening.
        const QString fifo = dir.filePath("pipe.jpg");
        QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        QCOMPARE(numberOf(Win(fifo)), int(rt::ErrPathFileAccess));
        // The error text: plain reason, then the file and why.
        try {
            rt::LoadPicture(Win(dir.filePath("folder.jpg")));
        } catch (const rt::RuntimeError& e) {
            QCOMPARE(q(e.Description()), "Path/File access error: " + dir.filePath("folder.jpg") +
                                             " (a folder, not a file)");
        }
    }

    void unreadableFile() {
        if (geteuid() == 0) QSKIP("root reads every file");
        const QString path = Write("locked.jpg", Encode(TwoHalves(8, 8), "jpeg"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QVERIFY_THROWS_EXCEPTION(rt::RuntimeError, rt::LoadPicture(Win(path)));
        try {
            rt::LoadPicture(Win(path));
        } catch (const rt::RuntimeError& e) {
            QCOMPARE(e.Number(), int(rt::ErrPermissionDenied));
        }
    }

    // Each file loads, or is refused, in a process of its own under a 64 MB bound; at its
    // peak that process may hold no more than the bound and the picture it made.
    void peakMemoryStaysWithinTheBound_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        const QByteArray mhdr = Be32(30000) + Be32(30000) + Be32(1) + Be32(0) + Be32(1) + Be32(0) + Be32(1);
        QByteArray gif = "GIF89a" + Le16(6000) + Le16(6000) + QByteArray("\x80\0\0\0\0\0\xFF\xFF\xFF", 9);
        gif += QByteArray("\x2C\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3B", 16);  // one pixel at 0,0
        const QByteArray bmp = "BM" + Le32(70) + Le32(0) + Le32(54) + Le32(40) + Le32(6000) + Le32(6000) + Le16(1) +
                               Le16(24) + QByteArray(24, '\0') + QByteArray(16, '\0');
        const QByteArray iconPng = ZeroPng(4200, 4200, 16, 6);  // past the bound once rounded to 8 bits
        const QByteArray ico = Le16(0) + Le16(1) + Le16(1) + QByteArray("\x10\x10\0\0", 4) + Le16(1) + Le16(32) +
                               Le32(iconPng.size()) + Le32(22) + iconPng;

        QTest::newRow("MNG with a huge frame") << "frame.jpg"
                                               << "\x8AMNG\r\n\x1A\n" + Chunk("MHDR", mhdr) +
                                                      ZeroPngChunks(30000, 30000, 8, 6, 1) + Chunk("MEND", {})
                                               << 481;
        QTest::newRow("PNG bomb") << "bomb.png" << ZeroPng(8000, 8000, 8, 0) << 482;
        // 16-bit samples are rounded to 8 bits row by row: the picture itself is what passes.
        QTest::newRow("16-bit RGBA PNG past the bound") << "deep.png" << ZeroPng(4200, 4200, 16, 6) << 482;
        QTest::newRow("16-bit RGBA PNG within it") << "deep-small.png" << ZeroPng(1200, 1200, 16, 6) << 0;
        QTest::newRow("GIF with a huge logical screen") << "screen.gif" << gif << 482;
        QTest::newRow("sparse BMP with huge dimensions") << "sparse.bmp" << bmp << 482;
        QTest::newRow("icon holding a larger 16-bit PNG") << "deep.ico" << ico << 482;
        // A JPEG with a 20 MB profile in 320 segments, and one whose 52 KB of EXIF has 1200
        // fields all pointing at the same 40000 bytes: both load, without the block.
        const QByteArray jpeg = Encode(TwoHalves(64, 64), "jpeg");
        QByteArray profile;
        for (int chunk = 1; chunk <= 320; ++chunk)
            profile += QByteArray("\xFF\xE2\xFF\xF2ICC_PROFILE\0", 16) + char(chunk) + char(320) + QByteArray(65520, 'p');
        QByteArray exif = QByteArray("Exif\0\0II*\0", 10) + Le32(8) + Le16(1201) + Le16(0x0112) + Le16(3) + Le32(1) + Le32(6);
        for (int i = 0; i < 1200; ++i) exif += Le16(quint16(0x9000 + i)) + Le16(7) + Le32(40000) + Le32(8 + 2 + 12 * 1201 + 4);
        exif += Le32(0) + QByteArray(40000, 'x');
        const QByteArray exifSegment = QByteArray("\xFF\xE1", 2) + char((exif.size() + 2) >> 8) + char(exif.size() + 2) + exif;
        QTest::newRow("JPEG with a 20 MB profile") << "profile.jpg" << jpeg.left(2) + profile + jpeg.mid(2) << 0;
        QTest::newRow("JPEG whose EXIF fields share their bytes") << "exif.jpg" << jpeg.left(2) + exifSegment + jpeg.mid(2)
                                                                 << 0;
        // A TIFF of 1 x 4 million pixels in one-row strips: the strips' offsets and sizes
        // alone would take 64 MB.
        QByteArray tiff = QByteArray("II*\0\x08\0\0\0", 8) + Le16(7);
        for (const auto& [tag, type, count, value] : {std::array<quint32, 4>{256, 3, 1, 1}, {257, 4, 1, 4000000},
                                                      {258, 3, 1, 8}, {262, 3, 1, 1}, {273, 4, 4000000, 8},
                                                      {278, 3, 1, 1}, {279, 4, 4000000, 8}})
            tiff += Le16(quint16(tag)) + Le16(quint16(type)) + Le32(count) + Le32(value);
        QTest::newRow("TIFF declaring 4 million strips") << "strips.tif" << tiff + Le32(0) << 482;
        const QByteArray small = ZeroPng(16, 16, 8, 0);
        QTest::newRow("PNG chunk declaring 2 GB after the pixels")
            << "text.png" << small.left(small.size() - 12) + Be32(0x7B000000) + "tEXtdate:create" << 481;
        // Metadata that expands, or comes in great numbers, is skipped: the picture shows.
        // Each text is within libpng's own limit of a chunk: together they are past the bound.
        const QByteArray text4MB = qCompress(QByteArray(4 << 20, 'a')).mid(4);
        const QByteArray profile40MB = qCompress(Be32(40u << 20) + QByteArray((40 << 20) - 4, '\0')).mid(4);
        const auto withChunks = [&](const QByteArray& chunks) { return small.left(33) + chunks + small.mid(33); };
        QByteArray texts;
        for (int i = 0; i < 10; ++i)
            texts += Chunk("zTXt", QByteArray("Comment\0\0", 9) + text4MB) +
                     Chunk("iTXt", QByteArray("Comment\0\x01\0\0\0", 12) + text4MB);
        QTest::newRow("PNG text chunks that expand to 80 MB") << "ztxt.png" << withChunks(texts) << 0;
        QTest::newRow("PNG profile that expands to 40 MB")
            << "iccp.png" << withChunks(Chunk("iCCP", QByteArray("big\0\0", 5) + profile40MB)) << 0;
        QByteArray many;
        for (int i = 0; i < 20000; ++i) many += Chunk(i % 2 ? "prVt" : "sPLT", QByteArray("p\0\x08", 3));
        QTest::newRow("small PNG with many chunks") << "chunks.png" << withChunks(many) << 0;
    }
    void peakMemoryStaysWithinTheBound() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        const qint64 bound = 64LL << 20;
        QProcess child;
        child.start(LOAD_PEAK, {QString::number(bound), Write(name, bytes)});
        QVERIFY(child.waitForFinished(60000));
        const QList<QByteArray> out = child.readAllStandardOutput().simplified().split(' ');
        QCOMPARE(out.size(), 3);
        const qint64 peak = out[1].toLongLong(), picture = out[2].toLongLong();
        QVERIFY2(peak <= bound + picture, qPrintable(QString("peak %1 MB, picture %2 MB")
                                                          .arg(peak >> 20).arg(picture >> 20)));
        QCOMPARE(out[0].toInt(), number);
    }
};

QTEST_MAIN(LoadPictureTest)
#include "test_load_picture.moc"
