// The shell's open call: web addresses and files reach the desktop's opener, which
// starts in the given folder; refusals come back as the classic error values.
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/shell_execute.h"
#include "test_support.h"

class ShellExecute : public QObject {
    Q_OBJECT
    UrlCatcher opener;

private slots:
    void init() {
        opener.urls.clear();
        opener.folders.clear();
        for (const char* scheme : {"https", "http", "file"})
            QDesktopServices::setUrlHandler(scheme, &opener, "open");
    }
    void cleanup() {
        for (const char* scheme : {"https", "http", "file"}) QDesktopServices::unsetUrlHandler(scheme);
    }

    void addressOpensInTheGivenFolder() {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        const std::string windowsDir = QDir::toNativeSeparators(dir.path()).replace('/', '\\').toStdString();
        const int32_t result = platform::ShellExecuteA(0x1004, "Open", "https://example.org/a?b=c", nullptr,
                                                 windowsDir.c_str(), platform::SW_SHOWNORMAL);
        QVERIFY(result > 32);
        QCOMPARE(opener.urls, QList<QUrl>{QUrl("https://example.org/a?b=c")});
        QCOMPARE(QFileInfo(opener.folders.value(0)).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
        QCOMPARE(QDir::currentPath(), before);  // the program's own folder is left as it was
    }

    void operationIsOpenInAnyCaseOrNull() {
        QVERIFY(platform::ShellExecuteA(0, "open", "http://example.org/", nullptr, nullptr, 1) > 32);
        QVERIFY(platform::ShellExecuteA(0, "OPEN", "http://example.org/", nullptr, nullptr, 1) > 32);
        QVERIFY(platform::ShellExecuteA(0, nullptr, "http://example.org/", nullptr, nullptr, 1) > 32);
        QCOMPARE(opener.urls.size(), 3);
        QCOMPARE(platform::ShellExecuteA(0, "print", "http://example.org/", nullptr, nullptr, 1), platform::SE_ERR_NOASSOC);
        QCOMPARE(opener.urls.size(), 3);
    }

    void fileIsTakenFromTheFolderAndMustExist() {
        QTemporaryDir dir;
        QFile file(dir.filePath("note.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const std::string windowsDir = QString(dir.path()).replace('/', '\\').toStdString();
        QVERIFY(platform::ShellExecuteA(0, "Open", "note.txt", nullptr, windowsDir.c_str(), 1) > 32);
        QCOMPARE(opener.urls.value(0), QUrl::fromLocalFile(dir.filePath("note.txt")));
        QCOMPARE(platform::ShellExecuteA(0, "Open", "missing.txt", nullptr, windowsDir.c_str(), 1), platform::SE_ERR_FNF);
        QCOMPARE(platform::ShellExecuteA(0, "Open", "", nullptr, nullptr, 1), platform::SE_ERR_FNF);
        QCOMPARE(platform::ShellExecuteA(0, "Open", nullptr, nullptr, nullptr, 1), platform::SE_ERR_FNF);
        QCOMPARE(opener.urls.size(), 1);
    }

    void noOpenerIsAFailureNotACrash() {
        cleanup();  // offscreen has no browser of its own
        QCOMPARE(platform::ShellExecuteA(0, "Open", "https://example.org/", nullptr, nullptr, 1), platform::SE_ERR_NOASSOC);
    }

    void missingFolderStillOpens() {
        const QString before = QDir::currentPath();
        QVERIFY(platform::ShellExecuteA(0, "Open", "https://example.org/", nullptr, "\\no\\such\\folder", 1) > 32);
        QCOMPARE(opener.folders.value(0), before);
    }
};

QTEST_MAIN(ShellExecute)
#include "test_shell_execute.moc"
