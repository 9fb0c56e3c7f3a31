#include "app/runtime/application.h"

#include <QCoreApplication>
#include <QLockFile>
#include <memory>

#include "app/product.h"
#include "app/runtime/qt/host_file.h"
#include "app/runtime/qt/single_copy_lock.h"
#include "app/runtime/strings.h"

namespace rt {

Application& App() {
    static Application app;
    return app;
}

std::u16string Application::Title() const { return FromUtf8(product::kTitle); }
int Application::Major() const { return product::kMajor; }
int Application::Minor() const { return product::kMinor; }
int Application::Revision() const { return product::kRevision; }

std::u16string Application::Path() const {
    return WindowsPath(HostBytesOf(QCoreApplication::applicationDirPath()));
}

int32_t Application::hInstance() const { return 0x400000; }

void Application::ClaimSingleInstance() {
    // Held for the life of the process.
    static std::unique_ptr<QLockFile> held;
    LockClaim claim = ClaimUserLock(UserLockPlaces());
    held = std::move(claim.lock);
    // Only a lock that a live copy holds refuses this start. With no place for a lock
    // at all the program runs: a rare second copy is better than refusing the only one.
    prevInstance_ = claim.outcome == LockOutcome::HeldByAnotherCopy;
}

}  // namespace rt
