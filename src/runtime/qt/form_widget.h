// The Qt window behind a form: its client area, menu bar, close and drop events.
#pragma once

#include <QMainWindow>
#include <QRect>

namespace rt {

class Form;

class FormWidget : public QMainWindow {
    Q_OBJECT
public:
    FormWidget(Form& form);
    QWidget* client() const { return client_; }
    // A window that is hidden and later shown again stands where it stood; left alone,
    // a window manager places it like a newly opened window.
    void RememberPlace() { place_ = geometry(); }
    void RestorePlace();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form& form_;
    QWidget* client_;
    QRect place_;  // client area on the screen when hidden; null when none is kept
};

}  // namespace rt
