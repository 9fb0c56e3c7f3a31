// On a screen with two device pixels to a logical pixel, a dropped picture is shown
// one picture pixel to one device pixel, and painting does not copy it.
#include <QImageWriter>
#include <QMimeData>
#include <QtTest>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/testing.h"
#include "test_support.h"

class DropHiDpi : public QObject {
    Q_OBJECT

private slots:
    void pictureIsShownInDevicePixels() {
        QTemporaryDir dir;
        // One-pixel stripes: any scaling would blur or drop them.
        QImage stripes(41, 31, QImage::Format_RGB32);
        for (int y = 0; y < stripes.height(); ++y)
            for (int x = 0; x < stripes.width(); ++x)
                stripes.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(x * 6, 0, y * 8));
        const QString path = dir.filePath("stripes.bmp");
        QVERIFY(QImageWriter(path, "bmp").write(stripes));

        rt::testing::SetPrevInstance(false);
        ScriptedBoxes boxes;
        Form1 form;
        form.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&rt::WindowOf(form)));
        QWidget* pane = rt::WidgetOf(form.Picture1);
        QCOMPARE(pane->devicePixelRatioF(), 2.0);

        DropFiles(pane, {path});
        QVERIFY(boxes.calls.empty());

        // 41 x 31 device pixels need 21 x 16 logical ones.
        QCOMPARE(pane->size(), QSize(21, 16));
        const QImage* held = rt::ImageOf(form.Picture1.Picture());
        QVERIFY(held);
        const qint64 key = held->cacheKey();
        const uchar* bits = held->constBits();

        const QImage shown = pane->grab().toImage();
        QCOMPARE(shown.size(), QSize(42, 32));
        for (int y = 0; y < stripes.height(); ++y)
            for (int x = 0; x < stripes.width(); ++x)
                QCOMPARE(shown.pixel(x, y), stripes.pixel(x, y));
        QCOMPARE(held->cacheKey(), key);
        QCOMPARE(held->constBits(), bits);
    }
};

int main(int argc, char** argv) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "1");
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    DropHiDpi test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_drop_hidpi.moc"
