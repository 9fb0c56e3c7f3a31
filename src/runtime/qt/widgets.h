// The Qt widgets behind the controls.
#pragma once

#include <QLineEdit>
#include <QWidget>

namespace rt {

class PictureBox;

// The image pane: grey background, the picture at its top-left corner, one image
// pixel to one device pixel.
class PaneWidget : public QWidget {
    Q_OBJECT
public:
    PaneWidget(PictureBox& box, QWidget* parent);
    ~PaneWidget() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    PictureBox& box_;
};

// The text box; the window's menu shortcuts win over its own editing keys.
class TextBoxWidget : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool IsMenuShortcut(const QKeyEvent* event) const;
};

}  // namespace rt
