#include "app/form1.h"
#include "app/product.h"
#include "runtime/application.h"
#include "runtime/msgbox.h"
#include "runtime/strings.h"

// Delete: empties the pane and forgets the current names; the box keeps its text.
void Form1::Del_Click() {
    Picture1.SetPicture(rt::LoadPicture());
    DropName = u"";
    TargetName = u"";
}

// A right press empties the pane; any other press shows who made the program.
void Form1::Picture1_MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
    (void)Shift, (void)X, (void)Y;
    const std::u16string text =
        rt::FromUtf8(product::kCreditLine) + u"\r\n" + rt::FromUtf8(product::kWebAddress);
    // The title's last number is always 11, whatever the revision.
    const std::u16string title =
        u"Orvenna Ver." + rt::Str(rt::App().Major()) + u"." + rt::Str(rt::App().Minor()) + u"." + u"11";
    if (Button == rt::vbRightButton) {
        Picture1.SetPicture(rt::LoadPicture());
        return;
    }
    rt::MsgBox(text, rt::vbInformation, title);
}
