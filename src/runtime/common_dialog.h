// The common dialog control: its save dialog and the settings it keeps between uses.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rt {

class Form;

// What a save dialog is asked to show: tests answer it in place of a person.
struct SaveDialogRequest {
    std::u16string title;
    // The filter table's entries in order: description, then pattern(s).
    std::vector<std::pair<std::u16string, std::u16string>> filters;
    int filterIndex = 0;        // the entry selected at the start, from 0
    std::u16string fileName;    // the starting name, Windows form, up to its first NUL
    int32_t flags = 0;
};
// Returns the host path the user confirmed, or nothing for a cancel.
using SaveDialogHandler = std::function<std::optional<std::string>(const SaveDialogRequest&)>;
// While a handler is set, it replaces the real save dialog.
void SetSaveDialogHandler(SaveDialogHandler handler);

// The filter table "description|pattern|description|pattern..." split into its entries.
std::vector<std::pair<std::u16string, std::u16string>> FilterEntries(const std::u16string& filter);

class CommonDialog {
public:
    explicit CommonDialog(Form& owner) : owner_(owner) {}

    std::u16string FileName() const { return fileName_; }
    void SetFileName(const std::u16string& name) { fileName_ = name; }
    std::u16string Filter() const { return filter_; }
    void SetFilter(const std::u16string& filter) { filter_ = filter; }
    int32_t Flags() const { return flags_; }
    int FilterIndex() const { return filterIndex_; }  // 1-based; 0 means the first entry
    void SetFilterIndex(int index) { filterIndex_ = index; }
    void SetFlags(int32_t flags) { flags_ = flags; }
    bool CancelError() const { return cancelError_; }
    void SetCancelError(bool on) { cancelError_ = on; }
    std::u16string InitDir() const { return initDir_; }
    void SetInitDir(const std::u16string& dir) { initDir_ = dir; }

    // Shows the modal save dialog, starting from FileName (up to its first NUL) with the
    // filter table. On a confirmed name, FileName holds the target's Windows-form path;
    // a cancel raises the cancel error when CancelError is set. Replacing an existing
    // file is always confirmed first, whatever the flags say.
    void ShowSave();

private:
    Form& owner_;
    std::u16string fileName_;
    std::u16string filter_;
    std::u16string initDir_;
    int32_t flags_ = 0;
    int filterIndex_ = 0;
    bool cancelError_ = false;
};

}  // namespace rt
