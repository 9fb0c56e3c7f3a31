// The single-copy lock: only a lock that a live copy holds (or is making) refuses a
// start. A place that cannot hold the lock (missing, open to others, squatted by another
// user, a link, a full disk) passes to the next; with none left the program starts.
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/qt/single_copy_lock.h"

using rt::LockOutcome;

namespace {

constexpr uid_t kSomeoneElse = 54321;

// A small file system of our own, filled up; empty when this machine allows no mounts.
std::string FullDisk(const std::string& at) {
    ::mkdir(at.c_str(), 0700);
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=8k,mode=0700") != 0) return {};
    const int fd = ::open((at + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {}
    ::close(fd);
    return at;
}

}  // namespace

class SingleCopyLock : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    std::string Path(const char* name) { return QFile::encodeName(dir->filePath(name)).toStdString(); }

private slots:
    void init() { dir = std::make_unique<QTemporaryDir>(); }
    void cleanup() {
        ::umount2(Path("full").c_str(), MNT_DETACH);
        dir.reset();
    }

    void placesThatCannotHoldTheLock_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("create");  // a folder the program makes when missing, as in /tmp
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("open to others") << "open" << false;
        QTest::newRow("another user's folder") << "squatted folder" << true;
        QTest::newRow("another user's file") << "squatted file" << true;
        QTest::newRow("link to a private folder") << "link" << true;
        QTest::newRow("full disk") << "full" << false;
    }
    void placesThatCannotHoldTheLock() {
        QFETCH(QString, kind);
        QFETCH(bool, create);
        std::string bad = Path(qPrintable(kind.replace(u' ', u'-')));
        if (kind == "open") {
            QCOMPARE(::mkdir(bad.c_str(), 0755), 0);
            QCOMPARE(::chmod(bad.c_str(), 0755), 0);
        } else if (kind == "squatted-folder") {
            QCOMPARE(::mkdir(bad.c_str(), 0700), 0);
            QCOMPARE(::chown(bad.c_str(), kSomeoneElse, kSomeoneElse), 0);
        } else if (kind == "squatted-file") {
            ::close(::open(bad.c_str(), O_WRONLY | O_CREAT, 0600));
            QCOMPARE(::chown(bad.c_str(), kSomeoneElse, kSomeoneElse), 0);
        } else if (kind == "link") {
            QCOMPARE(::mkdir(Path("target").c_str(), 0700), 0);
            QCOMPARE(::symlink(Path("target").c_str(), bad.c_str()), 0);
        } else if (kind == "full") {
            bad = FullDisk(bad);
            if (bad.empty()) QSKIP("this machine allows no tmpfs mount");
        }

        // Alone, the place gives no lock, and the program starts.
        QCOMPARE(rt::ClaimUserLock({{bad, create}}, "orvenna").outcome, LockOutcome::NoPlace);
        QVERIFY(!QFileInfo::exists(dir->filePath("target/orvenna.lock")));

        // Before a usable place, the lock is taken there, and a second copy finds it.
        const std::string good = Path("good");
        QCOMPARE(::mkdir(good.c_str(), 0700), 0);
        const rt::LockClaim first = rt::ClaimUserLock({{bad, create}, {good, false}}, "orvenna");
        QCOMPARE(first.outcome, LockOutcome::Taken);
        QCOMPARE(QString::fromStdString(first.folder), QString::fromStdString(good));
        QCOMPARE(rt::ClaimUserLock({{bad, create}, {good, false}}, "orvenna").outcome, LockOutcome::HeldByAnotherCopy);
    }

    // An empty lock file is one a copy is making, or one left by a copy that died making it.
    void emptyLockFile_data() {
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("taken");
        QTest::newRow("left by a copy that died a minute ago") << 60 << true;
        QTest::newRow("being made just now") << 0 << false;
    }
    void emptyLockFile() {
        QFETCH(int, ageSeconds);
        QFETCH(bool, taken);
        const std::string folder = Path("place"), file = folder + "/orvenna.lock";
        QCOMPARE(::mkdir(folder.c_str(), 0700), 0);
        ::close(::open(file.c_str(), O_WRONLY | O_CREAT, 0600));
        const timespec then[2] = {{::time(nullptr) - ageSeconds, 0}, {::time(nullptr) - ageSeconds, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, file.c_str(), then, 0), 0);
        const rt::LockClaim claim = rt::ClaimUserLock({{folder, false}}, "orvenna");
        QCOMPARE(claim.outcome, taken ? LockOutcome::Taken : LockOutcome::HeldByAnotherCopy);
    }

    // The private folder in /tmp is made when missing, closed to others.
    void missingTmpFolderIsMadePrivate() {
        const std::string made = Path("made");
        const rt::LockClaim claim = rt::ClaimUserLock({{made, true}}, "orvenna");
        QCOMPARE(claim.outcome, LockOutcome::Taken);
        QVERIFY(rt::PrivateFolder(made));
    }
};

QTEST_MAIN(SingleCopyLock)
#include "test_single_copy_lock.moc"
