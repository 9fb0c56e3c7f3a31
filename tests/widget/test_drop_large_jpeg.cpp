// A large JPEG dropped on the pane: its visible part is shown first and the rest follows;
// whatever reads the pixels gets the whole picture, a file cut short is refused before
// anything shows, and a second drop or quitting stops the first picture's worker.
#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QMimeData>
#include <QtTest>

#include "app/form1.h"
#include "jpeg_files.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "test_support.h"

namespace {

QImage WholeDecode(const QString& path) { return QImageReader(path).read(); }

// Threads of picture workers alive in this process.
int Workers() {
    int count = 0;
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "picture-whole") ++count;
    }
    return count;
}

}  // namespace

class DropLargeJpeg : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString big, other;
    std::unique_ptr<Form1> form;
    std::unique_ptr<ScriptedBoxes> boxes;

    void DropFile(const QString& path) {
        QWidget* pane = rt::WidgetOf(form->Picture1);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pane, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pane, &drop);
    }
    bool Completing() const {
        const rt::Picture::Data* data = form->Picture1.Picture().data();
        return data && data->completion;
    }

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

    void visiblePartFirstThenTheWholePicture() {
        DropFile(big);
        QVERIFY(Completing());
        const QImage whole = WholeDecode(big);
        // The window's client area right and below the pane's corner, as the window is made.
        QCOMPARE(form->Picture1.Picture().data()->early, whole.copy(0, 0, 647, 588));
        QCOMPARE(rt::WidgetOf(form->Picture1)->geometry(), QRect(119, 34, 4000, 3000));
        QCOMPARE(*rt::ImageOf(form->Picture1.Picture()), whole);
        // Painted again now, the pane shows the whole picture.
        QCOMPARE(rt::WidgetOf(form->Picture1)->grab().toImage().convertToFormat(QImage::Format_RGB32), whole);
        QVERIFY(boxes->calls.empty());
    }

    void saveRightAfterTheDropWritesTheWholePicture() {
        DropFile(big);
        QVERIFY(Completing());
        const QString target = dir.filePath("saved.bmp");
        rt::SavePicture(form->Picture1.Picture(), rt::WindowsPath(target.toStdString()));
        QCOMPARE(QImage(target).convertToFormat(QImage::Format_RGB32), WholeDecode(big));
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
        const QString cut = WriteFile(dir.filePath("cut.jpg"), whole.read(qint64(whole.size() * keep)) + end);
        DropFile(cut);
        QCOMPARE(int(boxes->calls.size()), 1);
        QVERIFY2(boxes->calls[0].prompt.contains("the file ends before the picture does"),
                 qPrintable(boxes->calls[0].prompt));
        QVERIFY(form->Picture1.Picture() == before);
    }

    void secondDropStopsTheFirstPicturesWorker() {
        DropFile(big);
        QVERIFY(Completing());
        DropFile(other);
        QVERIFY(Workers() <= 1);  // the first picture's worker ended when its picture was let go
        QCOMPARE(*rt::ImageOf(form->Picture1.Picture()), WholeDecode(other));
        QTRY_COMPARE(Workers(), 0);
    }

    void quittingDuringTheCompletionStopsTheWorker() {
        DropFile(big);
        QVERIFY(Completing());
        form.reset();
        QCOMPARE(Workers(), 0);
    }
};

QTEST_MAIN(DropLargeJpeg)
#include "test_drop_large_jpeg.moc"
