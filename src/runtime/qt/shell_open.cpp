// The shell's open call over the desktop's opener (QDesktopServices).
#include "platform/shell_execute.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "runtime/strings.h"

namespace platform {

namespace {

constexpr int32_t kOpened = 42;  // any value above 32 means success

using rt::FromAnsi;
using rt::HostPath;

QString Text(const char* ansi) { return ansi ? QString::fromStdU16String(FromAnsi(ansi)) : QString(); }

// A web address has a scheme of two or more letters; "C:" starts a path.
bool IsAddress(const QUrl& url) { return url.isValid() && url.scheme().size() > 1; }

}  // namespace

int32_t ShellExecuteA(int32_t hwnd, const char* lpOperation, const char* lpFile, const char* lpParameters,
                      const char* lpDirectory, int32_t nShowCmd) {
    (void)hwnd, (void)lpParameters, (void)nShowCmd;
    const QString operation = Text(lpOperation);
    if (!operation.isEmpty() && operation.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return SE_ERR_NOASSOC;
    const QString file = Text(lpFile);
    if (file.isEmpty()) return SE_ERR_FNF;
    const QString directory = lpDirectory && *lpDirectory
                                  ? QString::fromStdString(HostPath(FromAnsi(lpDirectory)))
                                  : QString();

    QUrl target(file, QUrl::StrictMode);
    if (!IsAddress(target)) {
        const QString hostFile = QString::fromStdString(HostPath(file.toStdU16String()));
        const QFileInfo info(directory.isEmpty() ? QDir::current() : QDir(directory), hostFile);
        if (!info.exists()) return SE_ERR_FNF;
        target = QUrl::fromLocalFile(info.absoluteFilePath());
    }

    // The desktop's opener starts in the current folder: make it the given one meanwhile.
    const QString previous = QDir::currentPath();
    const bool moved = !directory.isEmpty() && QDir::setCurrent(directory);
    const bool opened = QDesktopServices::openUrl(target);
    if (moved) QDir::setCurrent(previous);
    return opened ? kOpened : SE_ERR_NOASSOC;
}

}  // namespace platform
