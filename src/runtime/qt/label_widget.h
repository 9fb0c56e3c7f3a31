// The label behind a Label control, readable whatever the desktop's theme and font size.
#pragma once

#include <QLabel>

namespace rt {

// A label keeps its design colour and box unless that makes its caption unreadable:
// - a fixed text colour with too little contrast against the background (black text
//   under a dark theme) gives way to the theme's text colour;
// - a caption that does not fit its box at the current font (larger desktop fonts)
//   widens the box, about its centre for centred labels, within its window, and makes
//   it as tall as a line.
class LabelWidget : public QLabel {
    Q_OBJECT
public:
    explicit LabelWidget(QWidget* parent);
    // Grows the box to the caption when it does not fit.
    void Fit();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void KeepReadable();
    bool adjusting_ = false;
};

}  // namespace rt
