// Shared test helpers: scripted message boxes, a caught End, string conversions, the
// program's version, errors raised, colours compared, folders removed.
#pragma once

#include <QApplication>
#include <QObject>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <memory>
#include <functional>
#include <string>
#include <vector>

class Form1;
class QWidget;

inline QString q(const std::u16string& s) { return QString::fromStdU16String(s); }
inline std::u16string u(const QString& s) { return s.toStdU16String(); }

// The program's version as its windows write it ("5.0.11"), from the build's version numbers.
QString VersionText();

// The number of the run-time error f raises (0 when none), and its description.
int ErrorOf(const std::function<void()>& f, QString* description = nullptr);

// Colours within a tolerance of each other, channel by channel (alpha not compared).
inline bool Near(QRgb a, QRgb b, int tolerance = 24) {
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A temporary folder removed with all it holds, names that are not UTF-8 too: Qt reaches
// no such name, and QTemporaryDir would leave it and the folder behind.
class TemporaryDir : public QTemporaryDir {
public:
    ~TemporaryDir();
};

struct BoxCall {
    QString prompt;
    int style;
    QString title;
};

// Replaces the real message boxes for its lifetime: records each box and answers
// from a queue (OK when the queue is empty).
class ScriptedBoxes {
public:
    ScriptedBoxes();
    ~ScriptedBoxes();
    void Answer(int result) { answers.push_back(result); }
    std::vector<BoxCall> calls;
    std::deque<int> answers;
    std::function<void(const BoxCall&)> onShow;  // runs while the box would be open
};

// Makes the end of the program observable instead of leaving the event loop.
class EndWatch {
public:
    EndWatch();
    ~EndWatch();
    int count = 0;
};

// A main window of the first copy, loaded and shown on the offscreen screen.
std::unique_ptr<Form1> ShownMainWindow();

// The files dropped on the widget at (5, 5) as a file manager drops them: drag enter, then drop.
void DropFiles(QWidget* target, const QStringList& paths);

// Stands in for the desktop's opener (a browser): records each address and the folder
// it was opened in. Install with QDesktopServices::setUrlHandler(scheme, &opener, "open").
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    QStringList folders;
public slots:
    void open(const QUrl& url);
};

// Runs action on the modal widget of type T once it is up (polled, bounded).
template <class T>
void WhenModal(std::function<void(T*)> action, int tries = 200) {
    QTimer::singleShot(20, [action, tries] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible())
            action(w);
        else if (tries > 0)
            WhenModal<T>(action, tries - 1);
    });
}

// Writes bytes to a file (made or replaced) and returns its path.
QString WriteFile(const QString& path, const QByteArray& bytes);
