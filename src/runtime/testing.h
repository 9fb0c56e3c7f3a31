// Test hooks: the ways tests stand in for the person at the screen (message boxes, file
// dialogs), for the desktop (notification area, a second copy) and for a failing device.
// The program itself never sets them. Each has a scoped guard that restores the default.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "platform/get_open_file_name.h"
#include "platform/shell_notify_icon.h"
#include "runtime/common_dialog.h"

namespace rt::testing {

// Answers a message box in place of a person: prompt, style bits and title in, button out.
using MsgBoxHandler = std::function<int(const std::u16string& prompt, int style, const std::u16string& title)>;
// Answers the save dialog: the host path confirmed, or nothing for a cancel.
using SaveDialogHandler = std::function<std::optional<std::string>(const SaveDialogRequest&)>;
// Answers the open dialog: sees the record as passed, returns the host path chosen or nothing.
using OpenDialogHandler = std::function<std::optional<std::string>(const platform::OPENFILENAMEA& record)>;
// Sees each record handed to the notification-area call, before it is served.
using NotifyIconObserver = std::function<void(uint32_t message, const platform::NOTIFYICONDATAA& data)>;

// The hooks as set; the runtime reads them. Empty means the real behaviour.
struct HookState {
    MsgBoxHandler msgBox;
    SaveDialogHandler saveDialog;
    OpenDialogHandler openDialog;
    std::function<void()> endAction;  // replaces leaving the event loop after End
    int64_t failInputReadsAfter = -1;  // reads past this many bytes fail; negative: never
    int64_t inputTextBound = -1;  // bytes of UTF-16 text one file may give; negative: from the memory
    int64_t pictureByteBound = 0;  // what PictureByteBound returns; zero or less: measured
    std::optional<bool> notificationArea;  // whether the desktop has one; nullopt: ask it
    NotifyIconObserver notifyIconObserver;
    std::function<void()> pictureDecoding;  // told as a picture's decoding starts
};
HookState& Hooks();

void SetMsgBoxHandler(MsgBoxHandler handler);
void SetSaveDialogHandler(SaveDialogHandler handler);
void SetOpenDialogHandler(OpenDialogHandler handler);
// Also makes the program runnable again after an End.
void SetEndAction(std::function<void()> action);
void FailInputReadsAfter(int64_t bytes);
void LimitInputText(int64_t bytes);
void LimitPictureBytesForTests(int64_t bytes);
// Whether the application object says another copy runs.
void SetPrevInstance(bool value);
void SetNotificationAreaForTests(std::optional<bool> available);
void SetNotifyIconObserver(NotifyIconObserver observer);
// Sees the moment a picture's pixels start to be decoded (the busy pointer already shown).
void SetPictureDecodingObserver(std::function<void()> observer);

// Sets a hook for its lifetime; the default comes back when it goes.
template <class T, void (*Set)(T)>
class Scoped {
public:
    explicit Scoped(T value, T restore = T{}) : restore_(std::move(restore)) { Set(std::move(value)); }
    ~Scoped() { Set(std::move(restore_)); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

private:
    T restore_;
};

using ScopedMsgBoxHandler = Scoped<MsgBoxHandler, &SetMsgBoxHandler>;
using ScopedSaveDialogHandler = Scoped<SaveDialogHandler, &SetSaveDialogHandler>;
using ScopedOpenDialogHandler = Scoped<OpenDialogHandler, &SetOpenDialogHandler>;
using ScopedEndAction = Scoped<std::function<void()>, &SetEndAction>;
using ScopedPrevInstance = Scoped<bool, &SetPrevInstance>;
using ScopedNotificationArea = Scoped<std::optional<bool>, &SetNotificationAreaForTests>;
using ScopedNotifyIconObserver = Scoped<NotifyIconObserver, &SetNotifyIconObserver>;
using ScopedPictureDecodingObserver = Scoped<std::function<void()>, &SetPictureDecodingObserver>;
class ScopedInputFault : public Scoped<int64_t, &FailInputReadsAfter> {
public:
    explicit ScopedInputFault(int64_t bytes) : Scoped(bytes, -1) {}
};
class ScopedPictureBytesLimit : public Scoped<int64_t, &LimitPictureBytesForTests> {
public:
    explicit ScopedPictureBytesLimit(int64_t bytes) : Scoped(bytes, 0) {}
};
class ScopedInputTextLimit : public Scoped<int64_t, &LimitInputText> {
public:
    explicit ScopedInputTextLimit(int64_t bytes) : Scoped(bytes, -1) {}
};

}  // namespace rt::testing
