#include "app/form1.h"
#include "runtime/int16.h"
#include "runtime/msgbox.h"
#include "runtime/picture.h"
#include "intake/path_functions.h"
#include "runtime/drop_data.h"

// Files dropped on the window or on the pane: the last file of the list is shown,
// unless its extension is exactly "png" or "PNG". The two drop targets run the same
// steps and differ only in the second sentence of the refusal.

namespace {

void TakeDrop(Form1& form, rt::DataObject& Data, const std::u16string& secondSentence) {
    // Every drop first moves the pane and makes it very large, whatever follows.
    form.Picture1.SetTop(508);
    form.Picture1.SetLeft(2822);
    form.Picture1.SetWidth(40000);
    form.Picture1.SetHeight(40000);

    const std::u16string refusal = u"PNG file haven't loaded. " + secondSentence;

    if (!Data.GetFormat(rt::vbCFFiles)) {
        rt::MsgBox(u"This file type don't match.", rt::vbExclamation, u"Caution");
        return;
    }

    // Only the last path survives. The index and the item number i + 1 are 16-bit:
    // with more than 32,767 files, i + 1 overflows once path 32,767 is stored.
    int16_t i = 0;
    while (i != Data.Files().Count()) {
        form.DropPath = Data.Files()(rt::CInt16(i + 1));
        rt::Add16(i, 1);
    }

    form.DropExt = ExtensionOf(form.DropPath);
    form.DropName = FileNameOf(form.DropPath);

    if (form.DropExt != u"png" && form.DropExt != u"PNG") {
        form.Text1.SetText(form.DropName);
        form.Picture1.SetPicture(rt::LoadPicture(form.DropPath));
        form.DropPath = u"";
    } else {
        rt::MsgBox(refusal, rt::vbExclamation, u"Orvenna");
        form.Picture1.SetPicture(rt::LoadPicture());
    }
}

}  // namespace

void Form1::Form_OLEDragDrop(rt::DataObject& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                             float Y) {
    (void)Effect, (void)Button, (void)Shift, (void)X, (void)Y;
    TakeDrop(*this, Data, u"Please Drag&Drop the image files and zr4 datafiles which except for PNG file .");
}

void Form1::Picture1_OLEDragDrop(rt::DataObject& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                                 float Y) {
    (void)Effect, (void)Button, (void)Shift, (void)X, (void)Y;
    TakeDrop(*this, Data, u"Please Drag&Drop the image files and zr4 datafiles which except for PNG file.");
}
