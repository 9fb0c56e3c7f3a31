// The per-user lock that lets one copy of the program run: where it may live and how
// it is taken.
#pragma once

#include <QLockFile>
#include <memory>
#include <string>
#include <vector>

namespace rt {

// A folder the lock may live in; with create, made (private) when it is missing.
struct LockPlace {
    std::string folder;
    bool create = false;
};

// The user's places, best first. The system's runtime folder for the uid comes before
// the session's ($XDG_RUNTIME_DIR), so that copies started with and without that
// variable meet in the same place; last, a private folder in /tmp named by the program's
// name and the uid.
std::vector<LockPlace> UserLockPlaces(const std::string& name);

// The folder is the user's alone: a real folder (not a link), owned by us, closed to
// everyone else. Only there can no one else make or hold our lock.
bool PrivateFolder(const std::string& folder);

enum class LockOutcome { Taken, HeldByAnotherCopy, NoPlace };

struct LockClaim {
    LockOutcome outcome = LockOutcome::NoPlace;
    std::unique_ptr<QLockFile> lock;  // held while it lives, when taken
    std::string folder;               // where it was taken or found held
};

// Takes the lock in the first private place that can hold one. A place that cannot
// (missing, another's, not writable, full) passes to the next; a lock held by a live
// copy ends the search. The lock file is "<name>.lock".
LockClaim ClaimUserLock(const std::vector<LockPlace>& places, const std::string& name);

}  // namespace rt
