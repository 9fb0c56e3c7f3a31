// Every name the system allows: host paths map to the program's Windows form and back
// byte for byte (a "\" in a name is no separator, bytes that are not UTF-8 survive),
// such files are written, read and opened for input like any other, and messages name
// them as the system writes them.
#include <QImage>
#include <QtTest>
#include <sys/stat.h>

#include "runtime/errors.h"
#include "runtime/file_input.h"
#include "runtime/picture.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "intake/path_functions.h"
#include "test_support.h"

namespace {

std::string Bytes(const QByteArray& b) { return b.toStdString(); }

bool ExistsAsBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

class AwkwardNames : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data() {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QString>("name");  // FileNameOf the Windows form
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("shown");  // as messages show it
        QTest::newRow("plain") << QByteArray("/home/ann/Pictures/moon.jpg") << "moon.jpg" << "jpg"
                               << "/home/ann/Pictures/moon.jpg";
        QTest::newRow("backslash in name") << QByteArray("/tmp/a\\b.jpg") << q(u"a＼b.jpg") << "jpg" << "/tmp/a\\b.jpg";
        QTest::newRow("backslash in folder") << QByteArray("/tmp/x\\y/z.jpg") << "z.jpg" << "jpg" << "/tmp/x\\y/z.jpg";
        QTest::newRow("full-width reverse solidus")
            << QByteArray("/tmp/a\xef\xbc\xbc" "b.jpg") << q(u"a\xDCEF\xDCBC\xDCBC" u"b.jpg") << "jpg" << q(u"/tmp/a＼b.jpg");
        QTest::newRow("Latin-1 byte") << QByteArray("/tmp/caf\xe9.jpg") << q(u"caf\xDCE9.jpg") << "jpg"
                                      << q(u"/tmp/caf\xFFFD.jpg");
        QTest::newRow("overlong slash") << QByteArray("/tmp/x\xc0\xafy") << q(u"x\xDCC0\xDCAFy") << "" << q(u"/tmp/x\xFFFD\xFFFDy");
        QTest::newRow("encoded surrogate") << QByteArray("/tmp/\xed\xa0\x80.gif") << q(u"\xDCED\xDCA0\xDC80.gif") << "gif"
                                           << q(u"/tmp/\xFFFD\xFFFD\xFFFD.gif");
        QTest::newRow("cut at the end") << QByteArray("/tmp/n\xe2\x82") << q(u"n\xDCE2\xDC82") << "" << q(u"/tmp/n\xFFFD\xFFFD");
        QTest::newRow("four bytes, Japanese") << QByteArray("/tmp/\xe6\x9c\x88\xf0\x9f\x8c\x99.jpeg")
                                              << q(u"月🌙.jpeg") << "jpeg" << q(u"/tmp/月🌙.jpeg");
    }
    void roundTrip() {
        QFETCH(QByteArray, host);
        QFETCH(QString, name);
        QFETCH(QString, ext);
        QFETCH(QString, shown);
        const std::u16string windows = rt::WindowsPath(Bytes(host));
        QCOMPARE(QByteArray::fromStdString(rt::HostPath(windows)), host);
        // Through the 8-bit text of the dialog records too.
        QCOMPARE(q(rt::FromAnsi(rt::ToAnsi(windows))), q(windows));
        QCOMPARE(q(FileNameOf(windows)), name);
        QCOMPARE(q(ExtensionOf(windows)), ext);
        QCOMPARE(q(rt::ShownPath(windows)), shown);
    }

    void filesWithSuchNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("backslash") << QByteArray("a\\b.jpg");
        QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9.jpg");
        QTest::newRow("full-width reverse solidus") << QByteArray("a\xef\xbc\xbc" "b.bmp");
        QTest::newRow("folder not UTF-8") << QByteArray("d\xff/x\\y.png");
    }
    void filesWithSuchNames() {
        QFETCH(QByteArray, name);
        TemporaryDir dir;  // names that are not UTF-8 inside
        const std::string host = QFile::encodeName(dir.path()).toStdString() + '/' + Bytes(name);
        if (name.contains('/')) ::mkdir(host.substr(0, host.rfind('/')).c_str(), 0700);
        const std::u16string path = rt::WindowsPath(host);
        QImage image(24, 16, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);

        rt::SavePicture(rt::PictureFromImage(image), path);
        QVERIFY2(ExistsAsBytes(host), "not written under its own name");
        QCOMPARE(rt::ImageOf(rt::LoadPicture(path))->size(), QSize(24, 16));
        rt::OpenForInput(path, 1);
        QVERIFY(!rt::Eof(1));
        rt::Close(1);

        // A message names the file as the system writes it.
        try {
            rt::LoadPicture(rt::WindowsPath(host + ".missing"));
            QFAIL("a missing file was read");
        } catch (const rt::RuntimeError& e) {
            QVERIFY2(q(e.Description()).contains(QFile::decodeName(QByteArray::fromStdString(host + ".missing"))),
                     qPrintable(q(e.Description())));
        }
    }
};

QTEST_MAIN(AwkwardNames)
#include "test_awkward_names.moc"
