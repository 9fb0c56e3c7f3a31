#include "app/form1.h"
#include "runtime/msgbox.h"
#include "filecmd/error_traps.h"
#include "filecmd/set_up_save_dialog.h"
#include "intake/path_functions.h"

// Save: writes the pane's picture under a name chosen in the save dialog, names the
// target's extension, then empties the pane and forgets the current file.
void Form1::Save_Click(int16_t Index) {
    (void)Index;
    TargetExt = u"";
    TargetName = u"";
    DialogPath = u"";
    CommonDialog1.SetCancelError(true);

    // The dialog steps: a failing step, a cancel among them, is skipped.
    const bool confirmed = filecmd::SkipOnError([&] { CommonDialog1.ShowSave(); });
    if (confirmed) filecmd::SkipOnError([&] { DialogPath = CommonDialog1.FileName(); });
    filecmd::SkipOnError([&] { TargetName = FileNameOf(DialogPath); });
    // Prepares the next save dialog, confirmed or not.
    filecmd::SkipOnError([&] { SetUpSaveDialog(); });
    filecmd::SkipOnError([&] { CommonDialog1.SetFlags(0); });

    // A write that fails (or an empty pane) is told, and nothing is cleared: the user
    // keeps the picture and can try another target.
    if (!DialogPath.empty()) {
        try {
            rt::SavePicture(Picture1.Picture(), DialogPath);
        } catch (const rt::RuntimeError& e) {
            TargetName = u"";
            rt::MsgBox(u"The picture could not be saved.\r\n\r\n" + e.Description(), rt::vbExclamation,
                       u"Orvenna");
            return;
        }
    }

    if (TargetName.empty()) return;
    Text1.SetText(TargetName);
    TargetExt = ExtensionOf(DialogPath);
    rt::MsgBox(u"You got " + std::u16string(u"『") + TargetExt + u"』" + u" image file which you wanted to convert.",
               rt::vbInformation, u"Orvenna");
    Picture1.SetPicture(rt::LoadPicture());
    DropPath = u"";
    DropName = u"";
    TargetName = u"";
    Text1.SetText(u"");
}
