// Another program to drag files from: a small window that starts a real drag of the
// files named on its command line when the left button moves over it. Driven by
// xdotool in the desktop tests; stays a moment after the drop, because the target
// fetches the file list only after the button is released.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace {

class Source : public QLabel {
public:
    explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {
        setText(QStringLiteral("drag me"));
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { pressAt_ = event->position().toPoint(); }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (dragging_ || !(event->buttons() & Qt::LeftButton)) return;
        if ((event->position().toPoint() - pressAt_).manhattanLength() < 3) return;
        dragging_ = true;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setUrls(urls_);
        drag->setMimeData(mime);
        const Qt::DropAction result = drag->exec(Qt::CopyAction);
        std::printf("drag ended: %s\n", result == Qt::IgnoreAction ? "ignored" : "dropped");
        std::fflush(stdout);
        QTimer::singleShot(1500, qApp, &QApplication::quit);
    }

private:
    QList<QUrl> urls_;
    QPoint pressAt_;
    bool dragging_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // From the arguments' bytes, as a file manager encodes them: a name that is not
    // UTF-8 keeps its bytes as %XX escapes (QApplication::arguments() would lose them).
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i)
        urls << QUrl::fromEncoded("file://" + QByteArray(argv[i]).toPercentEncoding("/"), QUrl::StrictMode);
    Source source(urls);
    source.setWindowTitle(QStringLiteral("drag-source"));
    // Right of the program's window, which opens at the screen's top-left.
    source.setGeometry(1000, 100, 160, 120);
    source.show();
    return app.exec();
}
