// Test hooks (see testing.h): stored here, read by the runtime, never set by the program.
#include "runtime/testing.h"

#include "runtime/application.h"

namespace rt::testing {

HookState& Hooks() {
    static HookState hooks;
    return hooks;
}

void SetMsgBoxHandler(MsgBoxHandler handler) { Hooks().msgBox = std::move(handler); }
void SetSaveDialogHandler(SaveDialogHandler handler) { Hooks().saveDialog = std::move(handler); }
void SetOpenDialogHandler(OpenDialogHandler handler) { Hooks().openDialog = std::move(handler); }
void FailInputReadsAfter(int64_t bytes) { Hooks().failInputReadsAfter = bytes; }
void LimitInputText(int64_t bytes) { Hooks().inputTextBound = bytes; }
void LimitPictureBytesForTests(int64_t bytes) { Hooks().pictureByteBound = bytes; }
void SetPrevInstance(bool value) { App().prevInstance_ = value; }
void SetNotificationAreaForTests(std::optional<bool> available) { Hooks().notificationArea = available; }
void SetNotifyIconObserver(NotifyIconObserver observer) { Hooks().notifyIconObserver = std::move(observer); }
void SetPictureDecodingObserver(std::function<void()> observer) { Hooks().pictureDecoding = std::move(observer); }
// SetEndAction lives with the program's end state, in dispatch.cpp.

}  // namespace rt::testing
