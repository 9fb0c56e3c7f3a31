// The Qt window behind a form: its client area, menu bar, close and drop events.
#pragma once

#include <QMainWindow>

namespace rt {

class Form;

class FormWidget : public QMainWindow {
    Q_OBJECT
public:
    FormWidget(Form& form);
    Form& form() const { return form_; }
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

// The form a window handle names, or nullptr.
Form* FormFromHandle(int32_t hWnd);
// The forms that are loaded now, oldest first.
QList<Form*> LoadedForms();

}  // namespace rt
