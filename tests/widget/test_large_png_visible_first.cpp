// A large PNG dropped on the pane shows its visible part first, as a large JPEG does: a
// save during the completion writes the whole picture; a second drop or quitting stops
// the worker.
#include <QImageReader>
#include <QMimeData>
#include <QtTest>

#include "app/form1.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "test_support.h"

namespace {

// Grain and hard edges, which tell apart any pixel decoded differently.
QImage BusyPicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(uint(w * 17 + h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(int(rng.bounded(256)), ((x / 7) + (y / 5)) % 3 ? 40 : 220, y % 256));
    return image;
}

}  // namespace

class LargePngVisibleFirst : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString big, other;
    std::unique_ptr<Form1> form;
    std::unique_ptr<ScriptedBoxes> boxes;

    void DropFile(const QString& path) { DropFiles(rt::WidgetOf(form->Picture1), {path}); }
    bool Completing() const { return form->Picture1.Picture().data()->completion != nullptr; }
    static QImage Whole(const QString& path) {
        return QImageReader(path, "png").read().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void initTestCase() {
        // A drop refuses files named .png; what they hold is read whatever their name.
        big = dir.filePath("big.pict");
        other = dir.filePath("other.pict");
        QVERIFY(BusyPicture(3000, 2000).save(big, "png"));
        QVERIFY(BusyPicture(2001, 1501).save(other, "png"));
    }
    void init() {
        boxes = std::make_unique<ScriptedBoxes>();
        form = ShownMainWindow();
    }
    void cleanup() {
        form.reset();
        boxes.reset();
    }

    void visiblePartFirstThenSaveTheWhole() {
        DropFile(big);
        QVERIFY(Completing());
        const QImage early = form->Picture1.Picture().data()->early;
        const QString target = dir.filePath("saved.bmp");
        rt::SavePicture(form->Picture1.Picture(), rt::WindowsPath(target.toStdString()));
        const QImage whole = Whole(big);
        QVERIFY(!early.isNull() && early.height() < whole.height());
        QCOMPARE(early, whole.copy(QRect(QPoint(), early.size())));
        QCOMPARE(QImage(target).convertToFormat(QImage::Format_RGB32), whole);
    }

    void secondDropOrQuittingStopsTheWorker() {
        DropFile(big);
        QVERIFY(Completing());
        DropFile(other);
        QVERIFY(rt::PictureCompletion::Running() <= 1);  // the first one's ended with its picture
        QCOMPARE(*rt::ImageOf(form->Picture1.Picture()), Whole(other));
        DropFile(big);
        form.reset();
        QCOMPARE(rt::PictureCompletion::Running(), 0);
    }
};

QTEST_MAIN(LargePngVisibleFirst)
#include "test_large_png_visible_first.moc"
