#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/msgbox.h"

// Every way of closing the main window asks first, unless this copy was refused at start.
void Form1::Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
    (void)UnloadMode;  // the question is the same for every cause
    const std::u16string title = u"Close Orvenna";
    if (rt::App().PrevInstance()) return;
    const int answer = rt::MsgBox(u"Do you want to Close and Quit Orvenna？",
                                  rt::vbYesNo + rt::vbExclamation + rt::vbMsgBoxSetForeground, title);
    if (answer == rt::vbNo) {
        Cancel = -1;
        return;
    }
    // The close under way goes on; this request for the same window adds nothing to it.
    rt::Unload(*Form1::Instance());
}

void Form1::Close_Click(int16_t Index) {
    (void)Index;
    rt::Unload(*this);
}
