#include "runtime/application.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <memory>
#include <unistd.h>

#include "runtime/strings.h"

namespace rt {

int32_t Application::hInstance() const { return 0x400000; }  // where a Windows program is loaded

std::u16string Application::Path() const {
    return WindowsPath(QCoreApplication::applicationDirPath().toStdString());
}

void Application::ClaimSingleInstance() {
    // One lock per user. The runtime folder is private to the user when the session
    // has one; otherwise the temporary folder, with the uid in the name.
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::tempPath();
    const QString path = dir + QStringLiteral("/%1-%2.lock").arg(QString::fromStdString(info_.id)).arg(getuid());
    // Held for the life of the process; a lock left by a killed copy is stale and taken over.
    static std::unique_ptr<QLockFile> lock;
    lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    prevInstance_ = !lock->tryLock(0);
}

}  // namespace rt
