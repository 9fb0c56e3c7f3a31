#include "runtime/application.h"

#include <QCoreApplication>
#include <QLockFile>
#include <memory>

#include "runtime/qt/host_file.h"
#include "runtime/qt/single_copy_lock.h"
#include "runtime/strings.h"

namespace rt {

int32_t Application::hInstance() const { return 0x400000; }  // where a Windows program is loaded

std::u16string Application::Path() const {
    return WindowsPath(HostBytesOf(QCoreApplication::applicationDirPath()));
}

void Application::ClaimSingleInstance() {
    // Held for the life of the process.
    static std::unique_ptr<QLockFile> held;
    LockClaim claim = ClaimUserLock(UserLockPlaces(info_.id), info_.id);
    held = std::move(claim.lock);
    // Only a lock that a live copy holds refuses this start. With no place for a lock
    // at all the program runs: a rare second copy is better than refusing the only one.
    prevInstance_ = claim.outcome == LockOutcome::HeldByAnotherCopy;
}

}  // namespace rt
