// The pane's own commands (Delete, mouse presses) and the clipboard commands.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

#include "app/form1.h"
#include "app/product.h"
#include "runtime/application.h"
#include "runtime/dispatch.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "test_support.h"

class PaneAndClipboard : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    std::unique_ptr<ScriptedBoxes> boxes;

    void ShowPicture() {
        QImage image(10, 7, QImage::Format_RGB32);
        image.fill(Qt::red);
        form->Picture1.SetPicture(rt::PictureFromImage(image));
    }
    void SetState() {
        form->Text1.SetText(u"moon.jpg");
        form->DropPath = u"\\p\\moon.jpg";
        form->DropExt = u"jpg";
        form->DropName = u"moon.jpg";
        form->TargetExt = u"bmp";
        form->TargetName = u"moon.bmp";
        form->DialogPath = u"\\out\\moon.bmp";
    }
    QLineEdit* Edit() { return static_cast<QLineEdit*>(rt::WidgetOf(form->Text1)); }

private slots:
    void init() {
        boxes = std::make_unique<ScriptedBoxes>();
        form = ShownMainWindow();
        ShowPicture();
        SetState();
    }
    void cleanup() {
        form.reset();
        boxes.reset();
    }

    void deleteEmptiesPaneAndForgetsNames() {
        QTest::keyClick(&rt::WindowOf(*form), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(form->Picture1.Picture().Empty());
        QCOMPARE(form->DropName, std::u16string());
        QCOMPARE(form->TargetName, std::u16string());
        // Everything else stays.
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        QCOMPARE(form->DropPath, std::u16string(u"\\p\\moon.jpg"));
        QCOMPARE(form->DropExt, std::u16string(u"jpg"));
        QCOMPARE(form->TargetExt, std::u16string(u"bmp"));
        QCOMPARE(form->DialogPath, std::u16string(u"\\out\\moon.bmp"));
        QVERIFY(boxes->calls.empty());
    }

    void rightPressEmptiesOnlyThePane() {
        QTest::mousePress(rt::WidgetOf(form->Picture1), Qt::RightButton, {}, QPoint(3, 3));
        QVERIFY(form->Picture1.Picture().Empty());
        QCOMPARE(form->DropName, std::u16string(u"moon.jpg"));
        QCOMPARE(form->TargetName, std::u16string(u"moon.bmp"));
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
        QVERIFY(boxes->calls.empty());
    }

    void otherPressesShowTheInformationBox_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("middle") << int(Qt::MiddleButton);
    }
    void otherPressesShowTheInformationBox() {
        QFETCH(int, button);
        const rt::Picture before = form->Picture1.Picture();
        QTest::mousePress(rt::WidgetOf(form->Picture1), Qt::MouseButton(button), {}, QPoint(3, 3));
        QCOMPARE(boxes->calls.size(), size_t(1));
        QCOMPARE(boxes->calls[0].title, "Orvenna Ver." + VersionText());
        QCOMPARE(boxes->calls[0].style, 64);
        QCOMPARE(boxes->calls[0].prompt,
                 QString(product::kCreditLine) + "\r\n" + QString(product::kWebAddress));
        QVERIFY(form->Picture1.Picture() == before);
        QCOMPARE(form->DropName, std::u16string(u"moon.jpg"));
    }

    void copyPutsTheSelectionOnTheClipboard() {
        QApplication::clipboard()->setText("before");
        Edit()->setFocus();
        Edit()->setSelection(0, 4);
        QTest::keyClick(Edit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("moon"));
        // With nothing selected the clipboard keeps what it had.
        Edit()->deselect();
        Edit()->setCursorPosition(2);
        QTest::keyClick(Edit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("moon"));
        QCOMPARE(form->Text1.Text(), std::u16string(u"moon.jpg"));
    }

    void pasteReplacesSelectionOrInsertsAtCaret() {
        QApplication::clipboard()->setText("sun");
        Edit()->setFocus();
        Edit()->setSelection(0, 4);
        QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Edit()->text(), QString("sun.jpg"));
        Edit()->setCursorPosition(3);
        QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Edit()->text(), QString("sunsun.jpg"));
        // The state strings do not follow the box.
        QCOMPARE(form->DropName, std::u16string(u"moon.jpg"));
    }

    void pasteWithoutTextChangesNothing_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("empty") << 0;
        QTest::newRow("picture") << 1;
        QTest::newRow("files") << 2;
    }
    void pasteWithoutTextChangesNothing() {
        QFETCH(int, kind);
        auto* mime = new QMimeData;
        if (kind == 1) {
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(Qt::green);
            mime->setImageData(image);
        }
        if (kind == 2) mime->setUrls({QUrl::fromLocalFile("/tmp/a.jpg")});
        QApplication::clipboard()->setMimeData(mime);
        Edit()->setFocus();
        Edit()->setSelection(0, 4);
        QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Edit()->text(), QString("moon.jpg"));
        QCOMPARE(Edit()->selectedText(), QString("moon"));
    }

    void copiedWebLinkIsPasted() {
        // A browser puts a link on the clipboard as a URL and as text: the text is pasted.
        auto* mime = new QMimeData;
        mime->setUrls({QUrl("https://example.org/sun.gif")});
        mime->setText("https://example.org/sun.gif");
        QApplication::clipboard()->setMimeData(mime);
        Edit()->setFocus();
        Edit()->selectAll();
        QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Edit()->text(), QString("https://example.org/sun.gif"));
    }

    void pastedLineBreaksReachTheBox() {
        QApplication::clipboard()->setText("a\r\nb");
        Edit()->setFocus();
        Edit()->selectAll();
        rt::Dispatch([&] { form->mnuPaste_Click(); });
        QVERIFY(!Edit()->text().isEmpty());
        QVERIFY(Edit()->text() != QString("moon.jpg"));
    }
};

QTEST_MAIN(PaneAndClipboard)
#include "test_pane_and_clipboard.moc"
