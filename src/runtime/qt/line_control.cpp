// The Qt side of the line control: the line drawn inside its bounding box.
#include "runtime/line_control.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "runtime/form.h"
#include "runtime/qt/peers.h"

namespace rt {

namespace {

class LineWidget : public QWidget {
public:
    LineWidget(const Line& line, QWidget* parent) : QWidget(parent), line_(line) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Form& form = line_.Parent();
        const int w = line_.BorderWidth();
        // End points in this widget's pixels; a point names the top-left corner of the
        // line's first pixel, so the width lies below and right of it.
        const QPoint p1 = QPoint(form.UnitsToPixelsX(line_.X1()), form.UnitsToPixelsY(line_.Y1())) - pos();
        const QPoint p2 = QPoint(form.UnitsToPixelsX(line_.X2()), form.UnitsToPixelsY(line_.Y2())) - pos();
        const Rgb c = line_.BorderColor();
        const QColor color(c.r, c.g, c.b);
        QPainter painter(this);
        if (p1.y() == p2.y()) {
            painter.fillRect(QRect(std::min(p1.x(), p2.x()), p1.y(), std::abs(p2.x() - p1.x()), w), color);
        } else if (p1.x() == p2.x()) {
            painter.fillRect(QRect(p1.x(), std::min(p1.y(), p2.y()), w, std::abs(p2.y() - p1.y())), color);
        } else {
            const QPointF half(w / 2.0, w / 2.0);
            painter.setPen(QPen(color, w, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(QPointF(p1) + half, QPointF(p2) + half);
        }
    }

private:
    const Line& line_;
};

}  // namespace

Line::Line(Form& form, const char* name, TwipLine design, int borderWidth)
    : Control(form, name, BoxOf(design, borderWidth), MakeControlPeer(new LineWidget(*this, ClientOf(form)), name)),
      borderWidth_(borderWidth),
      x1_(form.TwipsToUnitsX(design.x1)),
      y1_(form.TwipsToUnitsY(design.y1)),
      x2_(form.TwipsToUnitsX(design.x2)),
      y2_(form.TwipsToUnitsY(design.y2)) {}

}  // namespace rt
