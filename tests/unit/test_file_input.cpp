// Sequential input: the delimited field reader, file numbers and failures.
#include <QTemporaryDir>
#include <QtTest>

#include "runtime/errors.h"
#include "runtime/file_input.h"
#include "runtime/strings.h"
#include "runtime/testing.h"
#include "test_support.h"

namespace {

// Every field of the file, each as its text after the typed read.
QStringList Fields(const QString& path, int number = 3) {
    QStringList out;
    rt::OpenForInput(rt::WindowsPath(path.toStdString()), number);
    rt::Variant v;
    while (!rt::Eof(number)) {
        rt::Input(number, v);
        out << q(rt::TextOf(v));
    }
    rt::Close(number);
    return out;
}

}  // namespace

class FileInput : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString Write(const QByteArray& bytes, const QString& name = "f.txt") {
        return WriteFile(dir.filePath(name), bytes);
    }

private slots:
    void cleanup() {
        rt::Reset();
        rt::testing::FailInputReadsAfter(-1);
    }

    void fields_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("lines") << QByteArray("one\r\ntwo\r\n") << QStringList{"one", "two"};
        QTest::newRow("commas") << QByteArray("a,b , c\r\n") << QStringList{"a", "b", "c"};
        QTest::newRow("lf only") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("cr only") << QByteArray("a\rb") << QStringList{"a", "b"};
        QTest::newRow("no final line end") << QByteArray("x\r\ny") << QStringList{"x", "y"};
        QTest::newRow("empty lines") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
        QTest::newRow("quoted keeps commas") << QByteArray("\"a, b\",c\r\n") << QStringList{"a, b", "c"};
        QTest::newRow("quoted spans lines") << QByteArray("\"a\r\nb\"\r\nc") << QStringList{"a\r\nb", "c"};
        QTest::newRow("after closing quote dropped") << QByteArray("\"a\"xyz,b") << QStringList{"a", "b"};
        QTest::newRow("unterminated quote") << QByteArray("\"abc") << QStringList{"abc"};
        QTest::newRow("numbers are typed") << QByteArray("007,1.50,-2e3,1e20\r\n")
                                           << QStringList{"7", "1.5", "-2000", "1E+20"};
        QTest::newRow("quoted number stays text") << QByteArray("\"007\"") << QStringList{"007"};
        QTest::newRow("not quite numbers") << QByteArray("1.2.3,e5,12abc") << QStringList{"1.2.3", "e5", "12abc"};
        QTest::newRow("utf-8") << QByteArray("月,写真\r\n") << QStringList{u8"月", u8"写真"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("trailing blanks only") << QByteArray("a\r\n  ") << QStringList{"a", ""};
        QTest::newRow("byte order mark dropped") << QByteArray("\xEF\xBB\xBF" "a,b") << QStringList{"a", "b"};
        QTest::newRow("invalid utf-8") << QByteArray("a\xE6\x9C,\xFF") << QStringList{u8"a\uFFFD\uFFFD", u8"\uFFFD"};
        // Fields longer than the reader's 64 KB blocks.
        const QByteArray x(100000, 'x');
        QTest::newRow("long field") << x + "  ,b" << QStringList{QString(x), "b"};
        QTest::newRow("long quoted field") << "\"" + x + ",\r\n\"z,b" << QStringList{QString(x + ",\r\n"), "b"};
        QTest::newRow("long number") << QByteArray(70000, '0') + "7" << QStringList{"7"};
        const QByteArray moons = QByteArray("\xE6\x9C\x88").repeated(40000);  // characters cut by block ends
        QTest::newRow("long utf-8 field") << "ab" + moons + "\r\nc" << QStringList{"ab" + QString(moons), "c"};
    }
    void fields() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, fields);
        QCOMPARE(Fields(Write(bytes)), fields);
    }

    void binaryDataIsReadToTheEnd() {
        QByteArray bytes;
        for (int i = 0; i < 200000; ++i) bytes.append(char((i * 7919) & 0xFF));
        const QStringList fields = Fields(Write(bytes, "bin"));
        // Every byte but the delimiters ends up in some field; nothing is read twice.
        qsizetype delimiters = bytes.count(',') + bytes.count('\r') + bytes.count('\n');
        QVERIFY(fields.size() > 1000);
        QVERIFY(fields.size() <= delimiters + 1);
    }

    void largeFileCrossesChunks() {
        QByteArray bytes;
        for (int i = 0; i < 50000; ++i) bytes += "line " + QByteArray::number(i) + ",\"q,\"\r\n";
        const QStringList fields = Fields(Write(bytes));
        QCOMPARE(fields.size(), 100000);
        QCOMPARE(fields[99998], QString("line 49999"));
        QCOMPARE(fields[99999], QString("q,"));
    }

    void fileNumbers() {
        const std::u16string path = rt::WindowsPath(Write("a").toStdString());
        QCOMPARE(ErrorOf([&] { rt::OpenForInput(path, 0); }), int(rt::ErrBadFileNameOrNumber));
        QCOMPARE(ErrorOf([&] { rt::OpenForInput(path, 512); }), int(rt::ErrBadFileNameOrNumber));
        rt::OpenForInput(path, 8);
        QCOMPARE(ErrorOf([&] { rt::OpenForInput(path, 8); }), int(rt::ErrFileAlreadyOpen));
        rt::Close(8);
        rt::Close(8);  // closing twice is harmless
        rt::OpenForInput(path, 8);
        rt::Close(8);
        rt::Variant v;
        QCOMPARE(ErrorOf([&] { rt::Input(9, v); }), int(rt::ErrBadFileNameOrNumber));
        QCOMPARE(ErrorOf([&] { rt::Eof(9); }), int(rt::ErrBadFileNameOrNumber));
    }

    void pathProblems() {
        QCOMPARE(ErrorOf([&] { rt::OpenForInput(rt::WindowsPath(dir.filePath("none").toStdString()), 1); }),
                 int(rt::ErrFileNotFound));
        QCOMPARE(ErrorOf([&] { rt::OpenForInput(rt::WindowsPath(dir.filePath("no/x").toStdString()), 1); }),
                 int(rt::ErrPathNotFound));
        QCOMPARE(ErrorOf([&] { rt::OpenForInput(rt::WindowsPath(dir.path().toStdString()), 1); }),
                 int(rt::ErrPathFileAccess));
        QCOMPARE(ErrorOf([&] { rt::OpenForInput(u"", 1); }), int(rt::ErrPathFileAccess));
        // The NUL padding of a dialog buffer is not part of the path.
        const std::u16string padded = rt::WindowsPath(Write("z").toStdString()) + std::u16string(40, u'\0');
        rt::OpenForInput(padded, 1);
        rt::Variant v;
        rt::Input(1, v);
        QCOMPARE(q(rt::TextOf(v)), QString("z"));
        QVERIFY(rt::Eof(1));
        QCOMPARE(ErrorOf([&] { rt::Input(1, v); }), int(rt::ErrInputPastEnd));
    }

    void readFailingHalfwayRaises() {
        QByteArray bytes;
        for (int i = 0; i < 20000; ++i) bytes += "field\r\n";
        const std::u16string path = rt::WindowsPath(Write(bytes).toStdString());
        rt::testing::FailInputReadsAfter(70000);
        rt::OpenForInput(path, 2);
        rt::Variant v;
        int read = 0;
        const int error = ErrorOf([&] {
            while (!rt::Eof(2)) rt::Input(2, v), ++read;
        });
        QCOMPARE(error, int(rt::ErrDeviceIO));
        QVERIFY(read >= 9999 && read < 20000);
    }
};

QTEST_GUILESS_MAIN(FileInput)
#include "test_file_input.moc"
