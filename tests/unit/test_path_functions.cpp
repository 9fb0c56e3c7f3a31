// The two path splitters: the worked table, and the 16-bit length limit.
#include <QtTest>

#include "runtime/errors.h"
#include "intake/path_functions.h"
#include "test_support.h"

class PathFunctions : public QObject {
    Q_OBJECT
private slots:
    void table_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << R"(C:\photos\moon.jpg)" << "jpg" << "moon.jpg";
        QTest::newRow("case kept") << R"(C:\photos\moon.JPG)" << "JPG" << "moon.JPG";
        QTest::newRow("two dots") << R"(C:\photos\archive.tar.gz)" << "gz" << "archive.tar.gz";
        QTest::newRow("dot in folder") << R"(C:\a.b\file)" << R"(b\file)" << "file";
        QTest::newRow("ends in dot") << R"(C:\photos\moon.)" << "" << "moon.";
        QTest::newRow("ends in backslash") << R"(C:\photos\)" << "" << "";
        QTest::newRow("hidden") << R"(C:\photos\.hidden)" << "hidden" << ".hidden";
        QTest::newRow("bare name") << "moon.jpg" << "jpg" << "";
        QTest::newRow("forward slashes") << "C:/photos/moon.jpg" << "jpg" << "";
        QTest::newRow("unc") << R"(\\server\share\x.png)" << "png" << "x.png";
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("blanks kept") << R"(C:\x\ a b . j p g )" << " j p g " << " a b . j p g ";
        QTest::newRow("japanese") << u8"C:\\写真\\月.jpeg" << "jpeg" << u8"月.jpeg";
    }
    void table() {
        QFETCH(QString, path);
        QFETCH(QString, ext);
        QFETCH(QString, name);
        const std::u16string p = u(path);
        QCOMPARE(q(ExtensionOf(p)), ext);
        QCOMPARE(q(FileNameOf(p)), name);
        QCOMPARE(q(p), path);  // the argument is left as it was
    }

    void longestPathIsScanned() {
        std::u16string p = u"C:\\" + std::u16string(32767 - 3 - 6, u'a') + u"\\x.jpg";
        QCOMPARE(p.size(), size_t(32767));
        QCOMPARE(q(ExtensionOf(p)), QString("jpg"));
        QCOMPARE(q(FileNameOf(p)), QString("x.jpg"));
        // No separator at all: the whole length is walked without overflowing.
        std::u16string bare(32767, u'b');
        QCOMPARE(q(ExtensionOf(bare)), QString());
        QCOMPARE(q(FileNameOf(bare)), QString());
    }

    void overLongPathOverflows() {
        const std::u16string p(32768, u'.');  // a match at the last character would be found at once
        for (auto fn : {&ExtensionOf, &FileNameOf}) {
            try {
                fn(p);
                QFAIL("no overflow");
            } catch (const rt::RuntimeError& e) {
                QCOMPARE(e.Number(), int(rt::ErrOverflow));
                QCOMPARE(q(e.Description()), QString("Overflow"));
            }
        }
    }
};

QTEST_GUILESS_MAIN(PathFunctions)
#include "test_path_functions.moc"
