// The open and save dialogs are not part of this Windows build yet: each raises a
// run-time error that says so (the open and save commands skip the failing step).
#include "runtime/backend.h"
#include "runtime/errors.h"

namespace rt::backend {

std::optional<std::string> ShowSaveDialog(Form& owner, const SaveDialogRequest& request) {
    (void)owner, (void)request;
    Raise(ErrPlatformCall, u"the save dialog is not available in this Windows build yet");
}

int32_t ShowOpenDialog(platform::OPENFILENAMEA& record) {
    (void)record;
    Raise(ErrPlatformCall, u"the open dialog is not available in this Windows build yet");
}

}  // namespace rt::backend
