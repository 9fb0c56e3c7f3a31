// The About window: what it shows, its keys and focus, its one instance, the web link.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "about/about_form.h"
#include "app/form1.h"
#include "app/product.h"
#include "runtime/application.h"
#include "runtime/dispatch.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"
#include "test_support.h"

class About : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> main;

    frmAbout& Opened() {
        rt::Dispatch([&] { main->About_Click(); });
        return frmAbout::Instance();
    }
    static QPushButton* Button(rt::CommandButton& b) { return static_cast<QPushButton*>(rt::WidgetOf(b)); }
    static QString Text(rt::Label& l) { return static_cast<QLabel*>(rt::WidgetOf(l))->text(); }

private slots:
    void init() {
        main = ShownMainWindow();
    }
    void cleanup() {
        frmAbout& about = frmAbout::Instance();
        if (about.IsLoaded()) rt::Unload(about);
        main.reset();
    }

    void ctrlAOpensIt() {
        QVERIFY(QTest::qWaitForWindowActive(&rt::WindowOf(*main)));
        rt::WindowOf(*main).setFocus();
        QTest::keyClick(&rt::WindowOf(*main), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(frmAbout::Instance().Visible());
        QVERIFY(main->Visible());
    }

    void showsTitleVersionAndNotice() {
        frmAbout& about = Opened();
        QVERIFY(about.Visible());
        QCOMPARE(q(about.Caption()), QString("Orvenna About"));
        QCOMPARE(rt::WindowOf(about).windowTitle(), QString("Orvenna About"));
        QCOMPARE(Text(about.lblTitle), QString("Orvenna"));
        QCOMPARE(Text(about.lblVersion), QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ ") + VersionText());
        QCOMPARE(Text(about.lblDisclaimer), QString::fromUtf8(product::kLegalNotice));
        QCOMPARE(Button(about.Command1)->text(), QString::fromUtf8(product::kWebAddress));
        QCOMPARE(Button(about.cmdOK)->text(), QString("OK"));
        QVERIFY(!rt::WindowOf(about).windowIcon().isNull());
    }

    void looksAsDesigned() {
        frmAbout& about = Opened();
        QWidget& w = rt::WindowOf(about);
        // Fixed dialog frame beside the main window, without a taskbar entry.
        QCOMPARE(w.size(), QSize(382, 211));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowType(), Qt::Window);  // no owner window: neither a dialog nor a tool
        QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.geometry().topLeft(), QPoint(156, 129));  // the client area
        QVERIFY(!w.isModal());
        QVERIFY(rt::WindowOf(*main).isEnabled());

        QCOMPARE(rt::WidgetOf(about.Image1)->geometry(), QRect(16, 24, 49, 57));
        QCOMPARE(rt::WidgetOf(about.cmdOK)->geometry(), QRect(152, 175, 92, 23));
        QCOMPARE(rt::WidgetOf(about.Command1)->geometry(), QRect(72, 88, 257, 25));

        const QFont title = rt::WidgetOf(about.lblTitle)->font();
        QVERIFY(title.families().contains("IPAPGothic"));
        QCOMPARE(title.pointSizeF(), 15.75);
        QVERIFY(title.bold());
        QCOMPARE(rt::WidgetOf(about.lblTitle)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(static_cast<QLabel*>(rt::WidgetOf(about.lblTitle))->alignment() & Qt::AlignHCenter);
        const QFont link = rt::WidgetOf(about.Command1)->font();
        QVERIFY(link.families().contains("IPAPGothic"));
        QCOMPARE(link.pointSizeF(), 9.0);
        QVERIFY(link.underline());
        QVERIFY(!link.bold());
        QCOMPARE(rt::WidgetOf(about.lblDisclaimer)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    }

    void textsFitTheirControls() {
        frmAbout& about = Opened();
        for (rt::Control* c : std::initializer_list<rt::Control*>{&about.lblTitle, &about.lblVersion, &about.lblDisclaimer}) {
            auto* label = static_cast<QLabel*>(rt::WidgetOf(*c));
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(), c->Name());
        }
        auto* link = Button(about.Command1);
        QVERIFY(link->fontMetrics().horizontalAdvance(link->text()) < link->width());
    }

    void pictureIsStretchedAndRuleIsEtched() {
        frmAbout& about = Opened();
        QCOMPARE(about.Image1.Picture().PixelWidth(), 318);
        QCOMPARE(about.Image1.Picture().PixelHeight(), 230);
        QVERIFY(about.Image1.Stretch());
        const QImage shot = rt::WindowOf(about).grab().toImage();
        const int menu = rt::ClientOf(about)->mapTo(&rt::WindowOf(about), QPoint(0, 0)).y();
        QCOMPARE(menu, 0);
        // The picture's dark red ground fills the control's corner.
        const QColor corner = shot.pixelColor(17, 25);
        QVERIFY2(corner.red() > 50 && corner.green() < 40, qPrintable(corner.name()));
        // Grey row over two white rows, across the window.
        for (int x : {10, 190, 370}) {
            QCOMPARE(shot.pixelColor(x, 163), QColor(128, 128, 128));
            QCOMPARE(shot.pixelColor(x, 164), QColor(255, 255, 255));
            QCOMPARE(shot.pixelColor(x, 165), QColor(255, 255, 255));
        }
    }

    void okHasTheFocusAndTabGoesToTheLink() {
        frmAbout& about = Opened();
        QVERIFY(QTest::qWaitForWindowActive(&rt::WindowOf(about)));
        QCOMPARE(QApplication::focusWidget(), rt::WidgetOf(about.cmdOK));
        QTest::keyClick(&rt::WindowOf(about), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), rt::WidgetOf(about.Command1));
        QTest::keyClick(&rt::WindowOf(about), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), rt::WidgetOf(about.cmdOK));
    }

    void enterAndEscClose_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("focusOnLink");
        QTest::newRow("Enter") << int(Qt::Key_Return) << false;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << false;
        QTest::newRow("Esc on the link") << int(Qt::Key_Escape) << true;
    }
    void enterAndEscClose() {
        QFETCH(int, key);
        QFETCH(bool, focusOnLink);
        frmAbout& about = Opened();
        QVERIFY(QTest::qWaitForWindowActive(&rt::WindowOf(about)));
        if (focusOnLink) rt::WidgetOf(about.Command1)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QVERIFY(!about.IsLoaded());
        QVERIFY(!about.Visible());
        QVERIFY(main->Visible());
    }

    void enterOnTheLinkPressesTheLink() {
        UrlCatcher browser;
        const QString scheme = QUrl(QString::fromUtf8(product::kWebAddress)).scheme();
        QDesktopServices::setUrlHandler(scheme, &browser, "open");
        frmAbout& about = Opened();
        QVERIFY(QTest::qWaitForWindowActive(&rt::WindowOf(about)));
        rt::WidgetOf(about.Command1)->setFocus();
        QTest::keyClick(rt::WidgetOf(about.Command1), Qt::Key_Return);
        QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(browser.urls.size(), 1);
        QVERIFY(about.IsLoaded());
    }

    void linkOpensTheAddressFromTheProgramsFolder() {
        ScriptedBoxes boxes;
        UrlCatcher browser;
        const QString scheme = QUrl(QString::fromUtf8(product::kWebAddress)).scheme();
        QDesktopServices::setUrlHandler(scheme, &browser, "open");
        frmAbout& about = Opened();
        QTest::mouseClick(rt::WidgetOf(about.Command1), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(browser.urls, QList<QUrl>{QUrl(QString::fromUtf8(product::kWebAddress))});
        QCOMPARE(QFileInfo(browser.folders.value(0)).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath());
        QVERIFY(about.Visible());
        QVERIFY(boxes.calls.empty());
    }

    void linkThatCannotOpenSaysNothing() {
        ScriptedBoxes boxes;
        frmAbout& about = Opened();  // offscreen there is no browser
        QTest::mouseClick(rt::WidgetOf(about.Command1), Qt::LeftButton);
        QVERIFY(about.Visible());
        QVERIFY(boxes.calls.empty());
    }

    void secondAboutBringsTheOneWindowWithoutReloading() {
        frmAbout& about = Opened();
        about.lblTitle.SetCaption(u"changed");
        about.SetCaption(u"changed");
        rt::WindowOf(*main).raise();
        rt::WindowOf(*main).activateWindow();
        frmAbout& again = Opened();
        QCOMPARE(&again, &about);
        QCOMPARE(Text(about.lblTitle), QString("changed"));
        QCOMPARE(q(about.Caption()), QString("changed"));
        QVERIFY(QTest::qWaitForWindowActive(&rt::WindowOf(about)));
        QCOMPARE(QApplication::topLevelWidgets().count(&rt::WindowOf(about)), 1);
    }

    void closingAndReopeningBuildsAnew() {
        frmAbout& about = Opened();
        about.lblTitle.SetCaption(u"changed");
        about.lblVersion.SetCaption(u"changed");
        QVERIFY(QTest::qWaitForWindowActive(&rt::WindowOf(about)));
        rt::WidgetOf(about.Command1)->setFocus();
        QTest::keyClick(rt::WidgetOf(about.Command1), Qt::Key_Escape);  // closes without moving the focus
        QVERIFY(!about.IsLoaded());
        frmAbout& again = Opened();
        QCOMPARE(&again, &about);
        QCOMPARE(Text(about.lblTitle), QString("Orvenna"));
        QCOMPARE(Text(about.lblVersion), QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ ") + VersionText());
        QCOMPARE(rt::WindowOf(about).focusWidget(), rt::WidgetOf(about.cmdOK));
    }

    void closeBoxUnloadsWithoutAsking() {
        ScriptedBoxes boxes;
        frmAbout& about = Opened();
        rt::WindowOf(about).close();
        QVERIFY(!about.IsLoaded());
        QVERIFY(boxes.calls.empty());
    }
};

QTEST_MAIN(About)
#include "test_about.moc"
