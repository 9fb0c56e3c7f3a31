#include <algorithm>
#include <cstring>

#include "app/form1.h"
#include "runtime/msgbox.h"
#include "runtime/strings.h"
#include "platform/shell_notify_icon.h"

// Station: an icon in the notification area stands for the main window, which is hidden.
void Form1::Menu_Click(int16_t Index) {
    (void)Index;
    platform::NOTIFYICONDATAA nid;
    std::memset(&nid, 0, sizeof nid);
    nid.cbSize = 88;
    nid.hWnd = hWnd();
    nid.uID = 0;
    nid.uFlags = platform::NIF_MESSAGE + platform::NIF_ICON + platform::NIF_TIP;
    nid.uCallbackMessage = platform::WM_MOUSEMOVE;
    nid.hIcon = Icon();
    // The tip: the name and a NUL, left-aligned in 64 blanks; the shell reads up to the NUL.
    std::u16string tip = u"Orvenna" + std::u16string(1, u'\0');
    tip.resize(64, u' ');
    const std::string ansiTip = rt::ToAnsi(tip);
    std::memcpy(nid.szTip, ansiTip.data(), std::min(ansiTip.size(), sizeof nid.szTip));
    const int32_t added = platform::Shell_NotifyIconA(platform::NIM_ADD, &nid);

    // Hiding the window with no icon to bring it back would leave a program nobody can
    // reach: without a notification area, or when the add failed and no icon of ours is
    // there from an earlier station, the window stays and the user is told.
    if (!platform::NotificationAreaAvailable() || (added == 0 && !platform::NotifyIconExists(nid.hWnd, nid.uID))) {
        rt::MsgBox(u"The notification area is not available, so Orvenna stays on the screen.", rt::vbExclamation,
                   u"Orvenna");
        return;
    }
    SetVisible(false);
}

// Restore: a left-button event from the icon (or a move over the window with only the
// left button held) shows the window where it was.
void Form1::Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
    (void)Shift, (void)X, (void)Y;
    if (Button == 1) SetVisible(true);
}
