// The open dialog is not part of this Windows build yet: the call raises a run-time
// error that says so (the open command skips the failing step and ends quietly).
#include "platform/get_open_file_name.h"

#include "runtime/errors.h"

namespace platform {

int32_t GetOpenFileNameA(OPENFILENAME& record) {
    (void)record;
    rt::Raise(rt::ErrPlatformCall, u"the open dialog is not available in this Windows build yet");
}

void SetOpenDialogHandler(OpenDialogHandler handler) { (void)handler; }

}  // namespace platform
