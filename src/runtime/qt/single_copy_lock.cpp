#include "runtime/qt/single_copy_lock.h"

#include <QFile>
#include <string>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace rt {

std::vector<LockPlace> UserLockPlaces(const std::string& name) {
    const std::string uid = std::to_string(geteuid());
    std::vector<LockPlace> places{{"/run/user/" + uid, false}};
    const QByteArray session = qgetenv("XDG_RUNTIME_DIR");
    if (!session.isEmpty()) places.push_back({session.toStdString(), false});
    places.push_back({"/tmp/" + name + "-" + uid, true});
    return places;
}

namespace {

// A copy writes its process number into the lock file as it makes it. A file with none,
// older than any making takes, was left by a copy that died in between: Qt would keep
// it for ever (it cannot tell its owner), so it is removed.
bool AbandonedWhileMade(QLockFile& lock, const std::string& file) {
    qint64 pid = 0;
    QString host, app;
    struct stat st {};
    return !lock.getLockInfo(&pid, &host, &app) && ::stat(file.c_str(), &st) == 0 && st.st_size == 0 &&
           ::time(nullptr) - st.st_mtime > 5;
}

}  // namespace

bool PrivateFolder(const std::string& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 077) == 0;
}

LockClaim ClaimUserLock(const std::vector<LockPlace>& places, const std::string& name) {
    LockClaim claim;
    for (const LockPlace& place : places) {
        // Someone else's folder of that name stays as it is and is not used.
        if (place.create) ::mkdir(place.folder.c_str(), 0700);
        if (!PrivateFolder(place.folder)) continue;
        const std::string file = place.folder + "/" + name + ".lock";
        auto lock = std::make_unique<QLockFile>(QFile::decodeName(file.c_str()));
        // A running copy's lock never ages; one left by a copy that died is taken over.
        lock->setStaleLockTime(0);
        claim.folder = place.folder;
        if (lock->tryLock(0) || (AbandonedWhileMade(*lock, file) && lock->removeStaleLockFile() && lock->tryLock(0))) {
            claim.outcome = LockOutcome::Taken;
            claim.lock = std::move(lock);
            return claim;
        }
        if (lock->error() == QLockFile::LockFailedError) {
            claim.outcome = LockOutcome::HeldByAnotherCopy;
            return claim;
        }
    }
    claim.folder.clear();
    return claim;
}

}  // namespace rt
