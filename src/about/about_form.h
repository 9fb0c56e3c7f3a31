// The About window: title, version line, picture, legal notice and the web-page button.
#pragma once

#include "runtime/buttons.h"
#include "runtime/controls.h"
#include "runtime/form.h"
#include "runtime/image_control.h"
#include "runtime/line_control.h"

class frmAbout : public rt::Form {
public:
    frmAbout();

    // The window's single instance: made on first use, kept for the rest of the run.
    static frmAbout& Instance();

    rt::Image Image1;
    rt::Label lblTitle;
    rt::Label lblVersion;
    rt::CommandButton Command1;  // the web link
    rt::Label lblDisclaimer;
    rt::Line Line1_1;  // Line1(1): the grey half of the etched rule
    rt::Line Line1_0;  // Line1(0): its white half
    rt::CommandButton cmdOK;

    void Form_Load() override;
    void cmdOK_Click();
    void Command1_Click();
};
