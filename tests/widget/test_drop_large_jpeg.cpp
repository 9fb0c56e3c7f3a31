// A large JPEG dropped on the pane: its visible part is shown first; whatever reads the
// pixels gets the whole picture; a file cut short is refused before anything shows; a
// second drop or quitting stops the first picture's worker.
#include <QImageReader>
#include <QMimeData>
#include <QtTest>

#include "app/form1.h"
#include "jpeg_files.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "test_support.h"

class DropLargeJpeg : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString big, other;  // other has restart markers
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
        DropFile(big);
        QVERIFY(Completing());
        DropFile(other);
        // The first picture's worker ended when its picture was let go.
        QVERIFY(rt::PictureCompletion::Running() <= 1);
        QCOMPARE(*rt::ImageOf(form->Picture1.Picture()), QImageReader(other).read());
        DropFile(big);
        form.reset();
        QCOMPARE(rt::PictureCompletion::Running(), 0);
    }
};

QTEST_MAIN(DropLargeJpeg)
#include "test_drop_large_jpeg.moc"
