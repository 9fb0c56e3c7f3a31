// The station's and the open command's records go to the system's own calls with the
// system's handles and addresses; the notification icon's callback reaches the window,
// and the station adds its icon again after the shell restarted.
// The platform headers name constants that windows.h makes macros: they come first.
#include "platform/get_open_file_name.h"
#include "platform/shell_notify_icon.h"
#include "support.h"

#include <windows.h>

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "about/about_form.h"
#include "app/form1.h"
#include "runtime/form.h"
#include "runtime/win32/peers.h"

namespace {

HWND Window(const rt::Form& form) { return form.Peer().hwnd; }

}  // namespace

TEST_CASE("the station's icon record names the real window and icon; only the left button brings the window back, "
          "and only while the window is loaded") {
    ScriptedBoxes boxes;
    Form1 form;
    form.Show();
    std::vector<platform::NOTIFYICONDATAA> records;
    rt::testing::ScopedNotifyIconObserver observe(
        [&](uint32_t, const platform::NOTIFYICONDATAA& record) { records.push_back(record); });
    RECT before;
    GetWindowRect(Window(form), &before);

    form.Menu_Click(0);
    REQUIRE(records.size() == 1);
    CHECK(rt::win32::ToHwnd(records[0].hWnd) == Window(form));
    ICONINFO icon{};
    CHECK(GetIconInfo(reinterpret_cast<HICON>(intptr_t(records[0].hIcon)), &icon));
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    CHECK(boxes.shown.empty());
    CHECK_FALSE(IsWindowVisible(Window(form)));

    // The shell's callback: the icon's id in wParam, its mouse message in lParam.
    for (UINT other : {UINT(WM_MOUSEMOVE), UINT(WM_RBUTTONUP), UINT(WM_MBUTTONDOWN)}) {
        SendMessageW(Window(form), WM_MOUSEMOVE, 0, LPARAM(other));
        CHECK_FALSE(IsWindowVisible(Window(form)));
    }
    SendMessageW(Window(form), WM_MOUSEMOVE, 0, LPARAM(WM_LBUTTONUP));
    CHECK(IsWindowVisible(Window(form)));
    RECT after;
    GetWindowRect(Window(form), &after);
    CHECK(std::memcmp(&before, &after, sizeof before) == 0);

    // Again: the add is refused for the icon that is there, the window hides all the same.
    form.Menu_Click(0);
    CHECK(records.size() == 2);
    CHECK(boxes.shown.empty());
    CHECK_FALSE(IsWindowVisible(Window(form)));
    SendMessageW(Window(form), WM_MOUSEMOVE, 0, LPARAM(WM_LBUTTONDOWN));
    CHECK(IsWindowVisible(Window(form)));

    // The shell restarts without the icon and says so: the next station adds it again,
    // and the shell has it (it changes only an icon it has).
    NOTIFYICONDATAW shellSide{};
    shellSide.cbSize = sizeof shellSide;
    shellSide.hWnd = Window(form);
    REQUIRE(Shell_NotifyIconW(NIM_DELETE, &shellSide));
    SendMessageW(Window(form), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    CHECK_FALSE(platform::NotifyIconExists(records[0].hWnd, 0));
    form.Menu_Click(0);
    CHECK(records.size() == 3);
    CHECK_FALSE(IsWindowVisible(Window(form)));
    CHECK(Shell_NotifyIconW(NIM_MODIFY, &shellSide));
    SendMessageW(Window(form), WM_MOUSEMOVE, 0, LPARAM(WM_LBUTTONUP));
    CHECK(IsWindowVisible(Window(form)));

    // Once the window is closed (the About window keeps the program running), a click on
    // the icon it leaves neither loads nor shows it.
    rt::Dispatch([&] { form.About_Click(); });
    boxes.Answer(rt::vbYes);
    rt::Dispatch([&] { form.Close_Click(0); });
    REQUIRE_FALSE(form.IsLoaded());
    SendMessageW(Window(form), WM_MOUSEMOVE, 0, LPARAM(WM_LBUTTONUP));
    CHECK_FALSE(form.IsLoaded());
    CHECK_FALSE(IsWindowVisible(Window(form)));
    rt::Dispatch([] { frmAbout::Instance().cmdOK_Click(); });

    // Without a notification area the window stays and the user is told.
    boxes.shown.clear();
    Form1 second;
    second.Show();
    rt::testing::ScopedNotificationArea none(false);
    second.Menu_Click(0);
    CHECK(IsWindowVisible(Window(second)));
    REQUIRE(boxes.shown.size() == 1);
    CHECK(boxes.shown[0].style == rt::vbExclamation);
}

TEST_CASE("the open record carries the system's handles and real 8-bit blocks") {
    ScriptedBoxes boxes;
    Form1 form;
    form.Show();
    bool asked = false;
    rt::testing::ScopedOpenDialogHandler answer([&](const platform::OPENFILENAMEA& record) -> std::optional<std::string> {
        asked = true;
        CHECK(record.lStructSize == 76);
        CHECK(rt::win32::ToHwnd(record.hwndOwner) == Window(form));
        CHECK(record.hInstance == int32_t(intptr_t(GetModuleHandleW(nullptr))));
        CHECK(record.lpstrFilter == 0);
        // The title as code page 932 writes it, read through the address itself.
        CHECK(std::string(reinterpret_cast<const char*>(uintptr_t(record.lpstrTitle))) == rt::ToAnsi(u"ファイルを開く"));
        const auto* file = reinterpret_cast<const char*>(uintptr_t(record.lpstrFile));
        CHECK(record.nMaxFile == 250);
        CHECK(std::string(file, 250) == std::string(250, '\0'));
        CHECK(record.Flags == 0x1804);
        return std::nullopt;  // cancelled
    });
    form.Load_Click(0);
    CHECK(asked);
    CHECK(boxes.shown.empty());
}

TEST_CASE("a dropped data object gives the shell's file list in order, other data none") {
    OleInitialize(nullptr);
    const auto dataOnClipboard = [](UINT format, const void* bytes, size_t size) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
        REQUIRE(OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(format, block);
        CloseClipboard();
        IDataObject* data = nullptr;
        REQUIRE(SUCCEEDED(OleGetClipboard(&data)));
        const rt::DataObject drop = rt::win32::DropDataOf(data);
        data->Release();
        return drop;
    };
    // A file list as the shell sends it: a DROPFILES header, then wide NUL-ended paths.
    const wchar_t files[] = L"C:\\a.png\0Z:\\tmp\\月面.jpg\0";
    std::vector<char> list(sizeof(DROPFILES) + sizeof files);
    auto* header = reinterpret_cast<DROPFILES*>(list.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(list.data() + sizeof(DROPFILES), files, sizeof files);
    const rt::DataObject dropped = dataOnClipboard(CF_HDROP, list.data(), list.size());
    REQUIRE(dropped.GetFormat(rt::vbCFFiles));
    REQUIRE(dropped.Files().Count() == 2);
    CHECK(dropped.Files()(1) == u"C:\\a.png");
    CHECK(dropped.Files()(2) == u"Z:\\tmp\\月面.jpg");

    const char text[] = "C:\\moon.jpg";
    CHECK_FALSE(dataOnClipboard(CF_TEXT, text, sizeof text).GetFormat(rt::vbCFFiles));
}
