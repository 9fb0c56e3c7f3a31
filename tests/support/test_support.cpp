#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QtTest>
#include <filesystem>
#include <system_error>

#include "app/form1.h"
#include "app/product.h"
#include "runtime/application.h"
#include "runtime/dispatch.h"
#include "runtime/errors.h"
#include "runtime/qt/peers.h"
#include "runtime/msgbox.h"
#include "runtime/testing.h"

// The tests run the program's own forms and handlers: the runtime knows the program as
// main() introduces it.
[[maybe_unused]] static const bool introduced = [] {
    rt::App().Introduce(product::Info());
    return true;
}();

ScriptedBoxes::ScriptedBoxes() {
    rt::testing::SetMsgBoxHandler([this](const std::u16string& prompt, int style, const std::u16string& title) {
        calls.push_back({q(prompt), style, q(title)});
        if (onShow) onShow(calls.back());
        if (answers.empty()) return int(rt::vbOK);
        const int a = answers.front();
        answers.pop_front();
        return a;
    });
}

ScriptedBoxes::~ScriptedBoxes() { rt::testing::SetMsgBoxHandler({}); }

EndWatch::EndWatch() {
    rt::testing::SetEndAction([this] { ++count; });
}

EndWatch::~EndWatch() { rt::testing::SetEndAction({}); }

std::unique_ptr<Form1> ShownMainWindow() {
    rt::testing::SetPrevInstance(false);
    auto form = std::make_unique<Form1>();
    rt::Load(*form);
    form->Show();
    if (!QTest::qWaitForWindowExposed(&rt::WindowOf(*form))) qWarning("main window not exposed");
    return form;
}

void UrlCatcher::open(const QUrl& url) {
    urls.push_back(url);
    folders.push_back(QDir::currentPath());
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qWarning("cannot write %s", qPrintable(path));
    return path;
}

QString VersionText() {
    return QString("%1.%2.%3").arg(ORVENNA_VERSION_MAJOR).arg(ORVENNA_VERSION_MINOR).arg(ORVENNA_VERSION_PATCH);
}

int ErrorOf(const std::function<void()>& f, QString* description) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        if (description) *description = q(e.Description());
        return e.Number();
    }
    return 0;
}

TemporaryDir::~TemporaryDir() {
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(path()).toStdString(), ignored);
}

void DropFiles(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}
