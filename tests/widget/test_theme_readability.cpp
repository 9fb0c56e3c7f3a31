// The windows under the desktop's theme: with a dark palette and a 12 point font the About
// window's notice is drawn light on dark and whole; with a light theme it keeps its black.
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QtTest>

#include "about/about_form.h"
#include "app/form1.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/peers.h"
#include "test_support.h"

namespace {

QPalette DarkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(35, 35, 35));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    return p;
}

// Least and greatest grey level (0-255) inside a rectangle of an image.
std::pair<int, int> GreyRange(const QImage& image, const QRect& rect) {
    int least = 255, most = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const int g = qGray(image.pixel(x, y));
            least = std::min(least, g);
            most = std::max(most, g);
        }
    return {least, most};
}

}  // namespace

class ThemeReadability : public QObject {
    Q_OBJECT

private slots:
    void aboutNoticeIsReadable_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<qreal>("points");
        QTest::newRow("light theme, default font") << false << 0.0;
        QTest::newRow("dark theme, default font") << true << 0.0;
        QTest::newRow("dark theme, 12 pt") << true << 12.0;
    }

    void aboutNoticeIsReadable() {
        QFETCH(bool, dark);
        QFETCH(qreal, points);
        const QPalette oldPalette = QApplication::palette();
        const QFont oldFont = QApplication::font();
        if (dark) QApplication::setPalette(DarkPalette());
        if (points > 0) {
            QFont f = oldFont;
            f.setPointSizeF(points);
            QApplication::setFont(f);
        }
        auto main = ShownMainWindow();
        rt::Dispatch([&] { main->About_Click(); });
        frmAbout& about = frmAbout::Instance();
        QVERIFY(QTest::qWaitForWindowExposed(&rt::WindowOf(about)));

        auto* notice = static_cast<QLabel*>(rt::WidgetOf(about.lblDisclaimer));
        const QFontMetrics metrics(notice->font());
        const QRect box = notice->geometry();
        QVERIFY2(box.width() >= metrics.horizontalAdvance(notice->text()), "the notice is cut at the sides");
        QVERIFY2(box.height() >= metrics.height(), "the notice is cut at the bottom");
        QVERIFY(box.left() >= 0 && box.right() < notice->parentWidget()->width());

        // The text's pixels stand out from the ground: light on dark, or the design's black.
        const QImage shot = notice->grab().toImage();
        const auto [least, most] = GreyRange(shot, shot.rect());
        const int ground = qGray(notice->palette().color(QPalette::Window).rgb());
        if (dark) QVERIFY2(most - ground > 100, qPrintable(QString("text %1 on %2").arg(most).arg(ground)));
        else QVERIFY2(least < 40, qPrintable(QString("darkest text pixel %1").arg(least)));

        rt::Unload(about);
        main.reset();
        QApplication::setPalette(oldPalette);
        QApplication::setFont(oldFont);
    }
};

QTEST_MAIN(ThemeReadability)
#include "test_theme_readability.moc"
