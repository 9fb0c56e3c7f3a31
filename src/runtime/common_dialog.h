// The common dialog control: its save dialog and the settings it keeps between uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

class Form;

// What a save dialog is asked to show (the backend shows it; tests may answer it instead).
struct SaveDialogRequest {
    std::u16string title;
    // The filter table's entries in order: description, then pattern(s).
    std::vector<std::pair<std::u16string, std::u16string>> filters;
    int filterIndex = 0;        // the entry selected at the start, from 0
    std::u16string fileName;    // the starting name, Windows form, up to its first NUL
    int32_t flags = 0;
};
// The filter table "description|pattern|description|pattern..." split into its entries.
std::vector<std::pair<std::u16string, std::u16string>> FilterEntries(const std::u16string& filter);

class CommonDialog {
public:
    explicit CommonDialog(Form& owner) : owner_(owner) {}

    std::u16string FileName() const { return fileName_; }
    void SetFileName(const std::u16string& name) { fileName_ = name; }
    void SetFilter(const std::u16string& filter) { filter_ = filter; }
    int32_t Flags() const { return flags_; }
    void SetFlags(int32_t flags) { flags_ = flags; }
    bool CancelError() const { return cancelError_; }
    void SetCancelError(bool on) { cancelError_ = on; }

    // Shows the modal save dialog, starting from FileName (up to its first NUL) with the
    // filter table. On a confirmed name, FileName holds the target's Windows-form path;
    // a cancel raises the cancel error when CancelError is set. Replacing an existing
    // file is always confirmed first, whatever the flags say.
    void ShowSave();

private:
    Form& owner_;
    std::u16string fileName_;
    std::u16string filter_;
    int32_t flags_ = 0;
    bool cancelError_ = false;
};

}  // namespace rt
