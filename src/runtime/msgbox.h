// Modal message boxes with the classic style bits and answers.
#pragma once

#include <string>

namespace rt {

// Style bits, added together.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbExclamation = 48,
    vbInformation = 64,
    vbMsgBoxSetForeground = 0x10000,
};

// Answers.
enum MsgBoxResult : int { vbOK = 1, vbYes = 6, vbNo = 7 };

// Shows the box and waits until it is closed; returns the button pressed.
int MsgBox(const std::u16string& prompt, int style = vbOKOnly, const std::u16string& title = {});

}  // namespace rt
