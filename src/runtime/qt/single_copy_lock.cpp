#include "runtime/qt/single_copy_lock.h"

#include <QFile>
#include <string>
#include <sys/stat.h>
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
        auto lock = std::make_unique<QLockFile>(QFile::decodeName((place.folder + "/" + name + ".lock").c_str()));
        // A running copy's lock never ages; one left by a copy that died is taken over.
        lock->setStaleLockTime(0);
        claim.folder = place.folder;
        if (lock->tryLock(0)) {
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
