#include "runtime/qt/label_widget.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace rt {

namespace {

// Relative luminance and contrast ratio as accessibility guidelines define them; 3:1 is
// their floor for large or bold text, and the least a caption here may have.
double Luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr double kLeastContrast = 3.0;

}  // namespace

LabelWidget::LabelWidget(QWidget* parent) : QLabel(parent) {}

void LabelWidget::Fit() {
    QWidget* window = parentWidget();
    if (adjusting_ || !window || text().isEmpty()) return;
    const QFontMetrics metrics(font());
    const QRect box = geometry();
    const int needWidth = metrics.horizontalAdvance(text()) + 2 * margin() + 2;
    const int needHeight = metrics.height() + 2 * margin();
    if (needWidth <= box.width() && needHeight <= box.height()) return;

    const int width = std::clamp(needWidth, box.width(), std::max(box.width(), window->width()));
    int left = (alignment() & Qt::AlignHCenter) ? box.center().x() + 1 - width / 2 : box.left();
    left = std::clamp(left, 0, std::max(0, window->width() - width));
    adjusting_ = true;
    setGeometry(left, box.top(), width, std::max(box.height(), needHeight));
    adjusting_ = false;
}

void LabelWidget::KeepReadable() {
    if (adjusting_) return;
    const QColor text = palette().color(QPalette::WindowText);
    const QColor ground = palette().color(QPalette::Window);
    if (Contrast(text, ground) >= kLeastContrast) return;
    const QColor themed = QApplication::palette().color(QPalette::WindowText);
    if (Contrast(themed, ground) <= Contrast(text, ground)) return;
    QPalette readable = palette();
    readable.setColor(QPalette::WindowText, themed);
    adjusting_ = true;
    setPalette(readable);
    adjusting_ = false;
}

void LabelWidget::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) KeepReadable();
    if (event->type() == QEvent::FontChange) Fit();
}

void LabelWidget::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Fit();
}

}  // namespace rt
