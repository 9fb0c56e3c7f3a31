// The yardstick of the start-up bench: a bare Qt window with a menu bar, shown at once.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu("&File")->addAction("E&xit", &app, &QApplication::quit);
    window.menuBar()->addMenu("&Help");
    window.resize(480, 360);
    window.show();
    return app.exec();
}
