// The common dialog control: its save dialog and the settings it keeps between uses.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

class Form;

class CommonDialog {
public:
    explicit CommonDialog(Form& owner) : owner_(owner) {}

    std::u16string FileName() const { return fileName_; }
    void SetFileName(const std::u16string& name) { fileName_ = name; }
    std::u16string Filter() const { return filter_; }
    void SetFilter(const std::u16string& filter) { filter_ = filter; }
    int32_t Flags() const { return flags_; }
    void SetFlags(int32_t flags) { flags_ = flags; }
    bool CancelError() const { return cancelError_; }
    void SetCancelError(bool on) { cancelError_ = on; }
    std::u16string InitDir() const { return initDir_; }
    void SetInitDir(const std::u16string& dir) { initDir_ = dir; }

    // Shows the modal save dialog. On a confirmed name, FileName holds the target's path;
    // a cancel raises the cancel error when CancelError is set.
    void ShowSave();

private:
    Form& owner_;
    std::u16string fileName_;
    std::u16string filter_;
    std::u16string initDir_;
    int32_t flags_ = 0;
    bool cancelError_ = false;
};

}  // namespace rt
