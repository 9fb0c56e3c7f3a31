// The main window as the user first sees it: layout at 96 dpi, colours, fonts,
// tooltips, the menu tree, and menu shortcuts winning over the file-name box.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/qt/peers.h"
#include "test_support.h"

class MainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    std::unique_ptr<ScriptedBoxes> boxes;

private slots:
    void init() {
        boxes = std::make_unique<ScriptedBoxes>();
        form = ShownMainWindow();
    }
    void cleanup() {
        form.reset();
        boxes.reset();
    }

    void controlsStandAtTheirPixels() {
        QCOMPARE(rt::ClientOf(*form)->size(), QSize(766, 622));
        QCOMPARE(rt::WidgetOf(form->Label1)->geometry(), QRect(232, 0, 249, 25));
        QCOMPARE(rt::WidgetOf(form->Text1)->geometry(), QRect(512, 0, 193, 25));
        // The pane leaves its design place for 388 units across (16 px) and 508 twips down (34 px).
        QCOMPARE(rt::WidgetOf(form->Picture1)->geometry(), QRect(16, 34, 721, 569));
    }

    void positionsReadBackInScaleUnits() {
        QCOMPARE(form->Picture1.Left(), 388.0);
        QCOMPARE(form->Picture1.Top(), 508.0);
        QCOMPARE(form->Picture1.Height(), 8535.0);
        QVERIFY(qAbs(form->Picture1.Width() - 10815 / 0.6311692) < 1e-6);
        form->Picture1.SetLeft(2822);
        QCOMPARE(form->Picture1.Left(), 2822.0);
        QCOMPARE(rt::WidgetOf(form->Picture1)->x(), 119);  // 2822 * 0.6311692 / 15
    }

    void resizingMovesNothing() {
        const QRect pane = rt::WidgetOf(form->Picture1)->geometry();
        const QRect box = rt::WidgetOf(form->Text1)->geometry();
        rt::WindowOf(*form).resize(400, 300);
        QTest::qWait(20);
        QCOMPARE(rt::WidgetOf(form->Picture1)->geometry(), pane);
        QCOMPARE(rt::WidgetOf(form->Text1)->geometry(), box);
    }

    void titleColoursAndFonts() {
        QCOMPARE(form->Caption(), std::u16string(u"Orvenna"));
        auto* label = static_cast<QLabel*>(rt::WidgetOf(form->Label1));
        QCOMPARE(label->text(), QString("Orvenna"));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        QCOMPARE(label->palette().color(QPalette::Window), QColor(64, 0, 0));
        QVERIFY(label->autoFillBackground());
        QVERIFY(label->alignment() & Qt::AlignHCenter);
        QCOMPARE(label->font().pointSizeF(), 15.75);
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().families().value(0), QString(u8"ＭＳ Ｐゴシック"));
        // The face actually used is a Japanese one that exists here.
        QCOMPARE(QFontInfo(label->font()).family(), QString("IPAPGothic"));
        QCOMPARE(rt::WidgetOf(form->Picture1)->palette().color(QPalette::Window), QColor(192, 192, 192));
        QCOMPARE(form->Text1.Text(), std::u16string());
    }

    void tooltipsAfterStart() {
        QCOMPARE(q(form->Picture1.ToolTipText()),
                 QString("Drag & drop the wanted to see images on this screen. Then this screen will show the "
                         "images."));
        QCOMPARE(q(form->Text1.ToolTipText()),
                 QString("This textbox shows the file name and extension of the image if you drag & drop "
                         "central screen."));
    }

    void menuTree() {
        const QMenuBar* bar = rt::WindowOf(*form).menuBar();
        QStringList seen;
        for (QAction* top : bar->actions()) {
            QString line = top->objectName() + "=" + top->text() + (top->isEnabled() ? "" : "(greyed)") + ":";
            for (QAction* item : top->menu()->actions()) {
                line += " " + item->objectName() + "=" + (item->isSeparator() ? "-" : item->text());
                if (!item->shortcut().isEmpty()) line += "[" + item->shortcut().toString() + "]";
            }
            seen << line;
        }
        const QStringList expected = {
            "m1=File: Load=Load(&O)[Ctrl+O] haihun1=- Save=Save(&S)[Ctrl+S] haihun2=- Del=Delete(&D)[Ctrl+D] "
            "haihun3=- mnuCopy=Copy(&Z)[Ctrl+Z] mnuPaste=Paste(&V)[Ctrl+V] haihun4=-",
            "mnuImg=Image(greyed): mnuDel=Delete(&E)[Ctrl+E]",
            "m2=Station: Menu=Station(&J)[Ctrl+J]",
            "m8=Help: About=About(&A)[Ctrl+A]",
            "m9=Close: Close=Close(&C)[Ctrl+C]",
        };
        QCOMPARE(seen, expected);
    }

    void menuShortcutsWinOverTheBox_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("key");
        for (auto [name, key] : {std::pair{"Close", Qt::Key_C}, {"mnuCopy", Qt::Key_Z}, {"mnuPaste", Qt::Key_V},
                                 {"About", Qt::Key_A}, {"Load", Qt::Key_O}, {"Save", Qt::Key_S},
                                 {"Del", Qt::Key_D}, {"Menu", Qt::Key_J}})
            QTest::newRow(name) << QString(name) << int(key);
    }
    void menuShortcutsWinOverTheBox() {
        QFETCH(QString, item);
        QFETCH(int, key);
        auto* action = rt::WindowOf(*form).findChild<QAction*>(item);
        QVERIFY(action);
        // Only the shortcut is under test here: the command itself is kept from running.
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        QSignalSpy fired(action, &QAction::triggered);
        auto* edit = static_cast<QLineEdit*>(rt::WidgetOf(form->Text1));
        edit->setText("moon.jpg");
        edit->setFocus();
        edit->setCursorPosition(2);
        QTest::keyClick(edit, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(fired.count(), 1);
        QCOMPARE(edit->text(), QString("moon.jpg"));
        QCOMPARE(edit->hasSelectedText(), false);
        QCOMPARE(edit->cursorPosition(), 2);
    }

    void greyedImageItemKeyDoesNothing() {
        auto* edit = static_cast<QLineEdit*>(rt::WidgetOf(form->Text1));
        edit->setText("moon.jpg");
        edit->setFocus();
        edit->setCursorPosition(1);
        QTest::keyClick(edit, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(edit->text(), QString("moon.jpg"));
        QCOMPARE(edit->cursorPosition(), 1);
        QVERIFY(boxes->calls.empty());
    }

    void paneComesFirstInTabOrder() {
        QCOMPARE(rt::WidgetOf(form->Picture1)->nextInFocusChain(), rt::WidgetOf(form->Text1));
    }
};

QTEST_MAIN(MainWindow)
#include "test_main_window.moc"
