// Files dropped on the main window and on the pane, through Qt's own drop events:
// which file counts, the PNG refusal, data without files, the pane's place and
// size, the state strings, and what a failing load leaves behind.
#include <QImageWriter>
#include <QMimeData>
#include <QtTest>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "test_support.h"

namespace {

const QString kPaneRefusal =
    "PNG file haven't loaded. Please Drag&Drop the image files and zr4 datafiles which except for PNG file.";
const QString kWindowRefusal =
    "PNG file haven't loaded. Please Drag&Drop the image files and zr4 datafiles which except for PNG file .";

QString Win(const QString& host) { return q(rt::WindowsPath(host.toStdString())); }

}  // namespace

class DropIntake : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString jpeg, png, pngNamedJpeg;
    std::unique_ptr<Form1> form;
    std::unique_ptr<ScriptedBoxes> boxes;

    QString WriteImage(const QString& name, QSize size, QColor color, const char* format) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        QImageWriter writer(dir.filePath(name), format);
        if (!writer.write(image)) qFatal("cannot write %s", qPrintable(name));
        return dir.filePath(name);
    }

    // Where a drop on "pane" or "window" lands: the pane itself, or the bare client
    // area left of the pane, from where Qt passes it up to the window.
    QWidget* Target(const QString& target) const {
        return target == "pane" ? rt::WidgetOf(form->Picture1) : rt::ClientOf(*form);
    }
    QPoint PointIn(const QString& target) const { return target == "pane" ? QPoint(5, 5) : QPoint(4, 300); }

    void Drop(const QString& target, QMimeData* mime) {
        QWidget* w = Target(target);
        const QPoint at = PointIn(target);
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &enter);
        QDropEvent drop(at, Qt::CopyAction, mime, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &drop);
        delete mime;
    }
    void DropFiles(const QString& target, const QStringList& hostPaths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : hostPaths) urls << QUrl::fromLocalFile(p);
        mime->setUrls(urls);
        Drop(target, mime);
    }

    // The pane's state after every drop: moved to 2822, 508 and 40000 units wide and
    // high, unless a picture gave it its own size.
    void VerifyMovedAndEnlarged() {
        QCOMPARE(form->Picture1.Left(), 2822.0);
        QCOMPARE(form->Picture1.Top(), 508.0);
        QCOMPARE(form->Picture1.Width(), 40000.0);
        QCOMPARE(form->Picture1.Height(), 40000.0);
        QCOMPARE(rt::WidgetOf(form->Picture1)->geometry(), QRect(119, 34, 1683, 2667));
    }
    void VerifyShows(QSize size) {
        QCOMPARE(form->Picture1.Picture().PixelWidth(), size.width());
        QCOMPARE(form->Picture1.Picture().PixelHeight(), size.height());
        QCOMPARE(rt::WidgetOf(form->Picture1)->geometry(), QRect(QPoint(119, 34), size));
    }
    // Shows a picture and a name first, so that what a drop leaves alone can be seen.
    void ShowFirst(const QString& target) {
        DropFiles(target, {jpeg});
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        boxes->calls.clear();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        jpeg = WriteImage("moon.jpg", {40, 30}, Qt::blue, "jpeg");
        png = WriteImage("sun.png", {20, 10}, Qt::yellow, "png");
        pngNamedJpeg = WriteImage("star.jpg", {12, 7}, Qt::green, "png");
    }
    void init() {
        boxes = std::make_unique<ScriptedBoxes>();
        form = ShownMainWindow();
    }
    void cleanup() {
        form.reset();
        boxes.reset();
    }

    void acceptedFileIsShown_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("pane") << "pane";
        QTest::newRow("window") << "window";
    }
    void acceptedFileIsShown() {
        QFETCH(QString, target);
        DropFiles(target, {jpeg});
        QVERIFY(boxes->calls.empty());
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        VerifyShows({40, 30});
        QCOMPARE(form->Picture1.Left(), 2822.0);
        QCOMPARE(form->Picture1.Top(), 508.0);
        QCOMPARE(form->DropPath, std::u16string());
        QCOMPARE(form->DropExt, std::u16string(u"jpg"));
        QCOMPARE(form->DropName, std::u16string(u"moon.jpg"));
        // Painted one image pixel to one screen pixel at the pane's corner.
        const QImage shown = rt::WidgetOf(form->Picture1)->grab().toImage();
        QCOMPARE(shown.size(), QSize(40, 30));
        QVERIFY(qBlue(shown.pixel(0, 0)) > 230 && qRed(shown.pixel(39, 29)) < 30);
    }

    void lastFileOfTheListDecides_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("pane") << "pane";
        QTest::newRow("window") << "window";
    }
    void lastFileOfTheListDecides() {
        QFETCH(QString, target);
        // Two JPEGs, then a PNG: the whole drop is refused.
        ShowFirst(target);
        DropFiles(target, {jpeg, pngNamedJpeg, png});
        QCOMPARE(int(boxes->calls.size()), 1);
        QCOMPARE(boxes->calls[0].prompt, target == "pane" ? kPaneRefusal : kWindowRefusal);
        QCOMPARE(boxes->calls[0].title, QString("Orvenna"));
        QCOMPARE(boxes->calls[0].style, 48);
        QVERIFY(form->Picture1.Picture().Empty());
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        QCOMPARE(q(form->DropPath), Win(png));
        QCOMPARE(form->DropExt, std::u16string(u"png"));
        QCOMPARE(form->DropName, std::u16string(u"sun.png"));
        VerifyMovedAndEnlarged();
        // Two PNGs, then a file named .jpg: it is read (by its content) and shown.
        boxes->calls.clear();
        DropFiles(target, {png, png, pngNamedJpeg});
        QVERIFY(boxes->calls.empty());
        QCOMPARE(form->Text1.Text(), std::u16string(u"star.jpg"));
        VerifyShows({12, 7});
        QCOMPARE(form->DropPath, std::u16string());
    }

    void onlyTwoSpellingsAreRefused_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        for (const char* t : {"pane", "window"}) {
            QTest::addRow("%s x.png", t) << t << "x.png" << true;
            QTest::addRow("%s x.PNG", t) << t << "x.PNG" << true;
            QTest::addRow("%s x.Png", t) << t << "x.Png" << false;
            QTest::addRow("%s x.pNG", t) << t << "x.pNG" << false;
            QTest::addRow("%s x.png.jpg", t) << t << "x.png.jpg" << false;
        }
    }
    void onlyTwoSpellingsAreRefused() {
        QFETCH(QString, target);
        QFETCH(QString, name);
        QFETCH(bool, refused);
        QFile::remove(dir.filePath(name));
        QVERIFY(QFile::copy(png, dir.filePath(name)));
        ShowFirst(target);
        DropFiles(target, {dir.filePath(name)});
        if (refused) {
            QCOMPARE(int(boxes->calls.size()), 1);
            QCOMPARE(boxes->calls[0].prompt, target == "pane" ? kPaneRefusal : kWindowRefusal);
            QVERIFY(form->Picture1.Picture().Empty());
            QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        } else {
            QVERIFY(boxes->calls.empty());
            QCOMPARE(q(form->Text1.Text()), name);
            VerifyShows({20, 10});
        }
    }

    void extensionFromAFolderName() {
        // ...\a.png\file: the extension is "png\file", which is not refused; the file
        // (a JPEG without an extension) is read by its content.
        QVERIFY(QDir(dir.path()).mkpath("a.png"));
        const QString file = dir.filePath("a.png/file");
        QFile::remove(file);
        QVERIFY(QFile::copy(jpeg, file));
        for (const QString target : {"pane", "window"}) {
            form->Text1.SetText(u"");
            DropFiles(target, {file});
            QVERIFY(boxes->calls.empty());
            QCOMPARE(form->DropExt, std::u16string(u"png\\file"));
            QCOMPARE(form->Text1.Text(), std::u16string(u"file"));
            VerifyShows({40, 30});
        }
    }

    void dataWithoutAFileList_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("kind");
        for (const char* t : {"pane", "window"}) {
            QTest::addRow("%s text", t) << t << "text";
            QTest::addRow("%s http url", t) << t << "http";
            QTest::addRow("%s local file and http url", t) << t << "mixed";
            QTest::addRow("%s picture data", t) << t << "image";
        }
    }
    void dataWithoutAFileList() {
        QFETCH(QString, target);
        QFETCH(QString, kind);
        ShowFirst(target);
        const rt::Picture before = form->Picture1.Picture();
        auto* mime = new QMimeData;
        if (kind == "text") mime->setText(jpeg);
        if (kind == "http") mime->setUrls({QUrl("http://example.org/moon.jpg")});
        if (kind == "mixed") mime->setUrls({QUrl::fromLocalFile(jpeg), QUrl("http://example.org/moon.jpg")});
        if (kind == "image") mime->setImageData(QImage(jpeg));
        Drop(target, mime);
        QCOMPARE(int(boxes->calls.size()), 1);
        QCOMPARE(boxes->calls[0].prompt, QString("This file type don't match."));
        QCOMPARE(boxes->calls[0].title, QString("Caution"));
        QCOMPARE(boxes->calls[0].style, 48);
        // Moved and enlarged all the same; picture, box and state untouched.
        VerifyMovedAndEnlarged();
        QVERIFY(form->Picture1.Picture() == before);
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        QCOMPARE(form->DropName, std::u16string(u"moon.jpg"));
        QCOMPARE(form->DropPath, std::u16string());
    }

    void emptyFileListRunsOnTheOldPath() {
        auto emptyList = [] {
            auto* mime = new QMimeData;
            mime->setData("text/uri-list", QByteArray());
            return mime;
        };
        // After a refused PNG the path is still there: an empty list refuses it again.
        DropFiles("pane", {png});
        boxes->calls.clear();
        Drop("window", emptyList());
        QCOMPARE(int(boxes->calls.size()), 1);
        QCOMPARE(boxes->calls[0].prompt, kWindowRefusal);
        QCOMPARE(q(form->DropPath), Win(png));
        // After an accepted file the path is empty: the box is emptied and the pane too.
        DropFiles("pane", {jpeg});
        boxes->calls.clear();
        Drop("pane", emptyList());
        QVERIFY(boxes->calls.empty());
        QCOMPARE(form->Text1.Text(), std::u16string());
        QVERIFY(form->Picture1.Picture().Empty());
        QCOMPARE(form->DropName, std::u16string());
        VerifyMovedAndEnlarged();
    }

    void failedLoadEndsTheHandler_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number");
        for (const char* t : {"pane", "window"}) {
            QTest::addRow("%s missing file", t) << t << "missing" << 53;
            QTest::addRow("%s folder", t) << t << "folder" << 75;
            QTest::addRow("%s not a picture", t) << t << "garbage" << 481;
        }
    }
    void failedLoadEndsTheHandler() {
        QFETCH(QString, target);
        QFETCH(QString, kind);
        QFETCH(int, number);
        QString path = dir.filePath("gone.jpg");
        if (kind == "folder") {
            path = dir.filePath("album.jpg");
            QVERIFY(QDir(dir.path()).mkpath("album.jpg"));
        } else if (kind == "garbage") {
            path = dir.filePath("notes.jpg");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("these are notes, not a picture\n");
        }
        ShowFirst(target);
        const rt::Picture before = form->Picture1.Picture();
        DropFiles(target, {path});
        // The runtime reports the untrapped error, naming the file.
        QCOMPARE(int(boxes->calls.size()), 1);
        QVERIFY2(boxes->calls[0].prompt.startsWith(QString("Run-time error '%1'").arg(number)),
                 qPrintable(boxes->calls[0].prompt));
        QVERIFY(boxes->calls[0].prompt.contains(path));  // as the system writes it
        // Stopped at the load: new name in the box, old picture in the moved and enlarged pane.
        QCOMPARE(q(form->Text1.Text()), QFileInfo(path).fileName());
        QVERIFY(form->Picture1.Picture() == before);
        VerifyMovedAndEnlarged();
        QCOMPARE(q(form->DropPath), Win(path));
        QCOMPARE(q(form->DropName), QFileInfo(path).fileName());
    }

    void moreFilesThanTheIndexCounts() {
        // 32,768 files: the 16-bit index overflows after taking path 32,767.
        QStringList paths;
        for (int i = 1; i <= 32768; ++i) paths << QString("/no/such/%1.jpg").arg(i);
        ShowFirst("pane");
        DropFiles("pane", paths);
        QCOMPARE(int(boxes->calls.size()), 1);
        QVERIFY(boxes->calls[0].prompt.startsWith("Run-time error '6'"));
        QVERIFY(boxes->calls[0].prompt.contains("Overflow"));
        QCOMPARE(form->DropPath, std::u16string(u"\\no\\such\\32767.jpg"));
        QCOMPARE(form->DropName, std::u16string(u"moon.jpg"));  // steps after the walk did not run
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        // 32,767 files are walked to the end.
        paths.removeLast();
        boxes->calls.clear();
        DropFiles("window", paths);
        QCOMPARE(int(boxes->calls.size()), 1);
        QVERIFY(boxes->calls[0].prompt.startsWith("Run-time error '53'"));  // the last one does not exist
        QCOMPARE(form->DropName, std::u16string(u"32767.jpg"));
    }

    void overLongPathOverflows() {
        const QString longPath = "/" + QString(32768, QChar('d')) + "/x.jpg";
        ShowFirst("window");
        DropFiles("window", {longPath});
        QCOMPARE(int(boxes->calls.size()), 1);
        QVERIFY(boxes->calls[0].prompt.startsWith("Run-time error '6'"));
        QCOMPARE(q(form->DropPath), Win(longPath));
        QCOMPARE(form->DropExt, std::u16string(u"jpg"));  // from the earlier drop
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        VerifyMovedAndEnlarged();
    }

    void dropOnTheFileNameBoxReachesTheWindow() {
        // A bare file list dropped on the box is the window's drop: the box takes only text.
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(jpeg)});
        QWidget* box = rt::WidgetOf(form->Text1);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
        QDropEvent drop(QPoint(5, 5), Qt::CopyAction, mime, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(box, &drop);
        delete mime;
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        VerifyShows({40, 30});
    }
};

QTEST_MAIN(DropIntake)
#include "test_drop_intake.moc"
