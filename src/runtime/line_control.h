// The line control: a straight line between two points of the form, in a colour and width.
#pragma once

#include "runtime/controls.h"

namespace rt {

struct TwipLine {
    int x1, y1, x2, y2;
};

class Line : public Control {
public:
    // The end points in twips; the width in pixels, the line lying below and right of
    // the points (drawn inside).
    Line(Form& form, const char* name, TwipLine design, int borderWidth = 1);  // backend
    Rgb BorderColor() const { return color_; }
    void SetBorderColor(Rgb color);
    int BorderWidth() const { return borderWidth_; }
    // End points in the form's scale units.
    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }

    // The control covers the line's bounding box widened by the line's width, so that a
    // level line has room to be drawn.
    static TwipRect BoxOf(TwipLine line, int borderWidth);

private:
    Rgb color_{0, 0, 0};
    int borderWidth_;
    double x1_, y1_, x2_, y2_;
};

}  // namespace rt
