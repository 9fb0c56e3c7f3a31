#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/dispatch.h"
#include "runtime/msgbox.h"

// Runs once at start, before the window is shown: only one copy may run, then the
// pane and the box get their tooltips and the pane its start position.
void Form1::Form_Load() {
    const std::u16string alreadyRunning = u"This apllication already has been running now.";
    if (rt::App().PrevInstance()) {
        rt::MsgBox(alreadyRunning, rt::vbExclamation, u"");
        rt::End();
    }
    Picture1.SetToolTipText(
        u"Drag & drop the wanted to see images on this screen. Then this screen will show the images.");
    Text1.SetToolTipText(
        u"This textbox shows the file name and extension of the image if you drag & drop central screen.");
    SetScaleTop(0);
    Picture1.SetTop(508);
    Picture1.SetLeft(388);
    Picture1.SetAutoSize(true);
    Picture1.SetOLEDropMode(1);
}
