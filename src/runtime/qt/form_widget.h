// The Qt window behind a form: its client area, menu bar, close and drop events.
#pragma once

#include <QMainWindow>

namespace rt {

class Form;

class FormWidget : public QMainWindow {
    Q_OBJECT
public:
    FormWidget(Form& form);
    QWidget* client() const { return client_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form& form_;
    QWidget* client_;
};

}  // namespace rt
