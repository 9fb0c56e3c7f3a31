// The main window over the Win32 backend: its layout in pixels at the system's DPI, its
// menu bar, the close query for every way of closing, and the clipboard commands.
// The platform headers name constants that windows.h makes macros: they come first.
#include "support.h"

#include <windows.h>

#include <cstring>
#include <shlobj.h>

#include "about/about_form.h"
#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/clipboard.h"
#include "runtime/form.h"
#include "runtime/win32/peers.h"

namespace {

HWND Window(const rt::Form& form) { return form.Peer().hwnd; }

// A control's rectangle in its form's client pixels.
RECT ClientRectOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND ChildWithClass(HWND parent, const wchar_t* cls, int nth = 0) {
    HWND child = nullptr;
    while ((child = FindWindowExW(parent, child, cls, nullptr)))
        if (nth-- == 0) return child;
    return nullptr;
}

void CheckRect(RECT r, int left, int top, int width, int height) {
    CHECK(r.left == left);
    CHECK(r.top == top);
    CHECK(r.right - r.left == width);
    CHECK(r.bottom - r.top == height);
}

std::wstring MenuText(HMENU menu, int position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, UINT(position), text, 64, MF_BYPOSITION);
    return text;
}

void Select(const rt::TextBox& box, int start, int length) {
    SendMessageW(box.Peer().hwnd, EM_SETSEL, WPARAM(start), LPARAM(start + length));
}

void PutFilesOnClipboard() {
    const wchar_t files[] = L"C:\\moon.jpg\0";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + sizeof files + 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), files, sizeof files);
    GlobalUnlock(block);
    REQUIRE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_HDROP, block);
    CloseClipboard();
}

}  // namespace

TEST_CASE("at 96 DPI the main window's controls stand at their design places in pixels") {
    ScriptedBoxes boxes;
    Form1 form;
    form.Show();
    RECT client;
    GetClientRect(Window(form), &client);
    CHECK(client.right == 766);
    CHECK(client.bottom == 622);
    // Label1 3480,0,3735,375 and Text1 7680,0,2895,375 twips; the pane after Form_Load at
    // 388 horizontal units (244.9 twips) and 508 twips with its design size.
    CheckRect(ClientRectOf(ChildWithClass(Window(form), L"Static")), 232, 0, 249, 25);
    CheckRect(ClientRectOf(ChildWithClass(Window(form), L"Edit")), 512, 0, 193, 25);
    CheckRect(ClientRectOf(ChildWithClass(Window(form), L"OrvennaPicture")), 16, 34, 721, 569);
    CHECK(form.Picture1.Left() == 388);
    CHECK(form.Picture1.Top() == 508);
    CHECK(form.Picture1.ToolTipText() ==
          u"Drag & drop the wanted to see images on this screen. Then this screen will show the images.");
    CHECK(boxes.shown.empty());
}

TEST_CASE("the menu bar has its menus in order, the Image menu greyed, shortcuts beside the items") {
    Form1 form;
    HMENU bar = GetMenu(Window(form));
    REQUIRE(GetMenuItemCount(bar) == 5);
    CHECK(MenuText(bar, 0) == L"File");
    CHECK(MenuText(bar, 1) == L"Image");
    CHECK((GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED) != 0);
    CHECK(MenuText(bar, 4) == L"Close");
    HMENU file = GetSubMenu(bar, 0);
    REQUIRE(GetMenuItemCount(file) == 9);  // its last separator included
    CHECK(MenuText(file, 0) == L"Load(&O)\tCtrl+O");
    CHECK(MenuText(file, 6) == L"Copy(&Z)\tCtrl+Z");
    CHECK((GetMenuState(file, 8, MF_BYPOSITION) & MF_SEPARATOR) != 0);
    CHECK(MenuText(GetSubMenu(bar, 4), 0) == L"Close(&C)\tCtrl+C");
}

TEST_CASE("every way of closing asks; No keeps the window, Yes unloads it") {
    ScriptedBoxes boxes(rt::vbNo);
    Form1 form;
    rt::Load(form);
    struct Way {
        const char* name;
        std::function<void()> close;
    };
    const Way ways[] = {
        {"Close command", [&] { rt::Dispatch([&] { form.Close_Click(0); }); }},
        {"close box", [&] { SendMessageW(Window(form), WM_CLOSE, 0, 0); }},
        {"system menu", [&] { SendMessageW(Window(form), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        CAPTURE(way.name);
        boxes.shown.clear();
        way.close();
        REQUIRE(boxes.shown.size() == 1);
        CHECK(boxes.shown[0].prompt == u"Do you want to Close and Quit Orvenna？");
        CHECK(boxes.shown[0].title == u"Close Orvenna");
        CHECK(boxes.shown[0].style == 0x10034);
        CHECK(form.IsLoaded());
    }
    // Logging off: No refuses the end of the session, Yes lets it end.
    CHECK(SendMessageW(Window(form), WM_QUERYENDSESSION, 0, 0) == FALSE);
    CHECK(form.IsLoaded());
    boxes.Answer(rt::vbYes);
    CHECK(SendMessageW(Window(form), WM_QUERYENDSESSION, 0, 0) == TRUE);
    CHECK_FALSE(form.IsLoaded());
    CHECK_FALSE(IsWindowVisible(Window(form)));
}

TEST_CASE("a copy started while another ran closes without asking") {
    ScriptedBoxes boxes(rt::vbNo);
    rt::Application first, second;
    first.ClaimSingleInstance();
    second.ClaimSingleInstance();
    CHECK(second.PrevInstance());
    rt::testing::SetPrevInstance(true);
    Form1 form;
    int ended = 0;
    rt::testing::SetEndAction([&] { ++ended; });
    rt::Dispatch([&] { rt::Load(form); });  // the refused copy: the warning, then End
    CHECK(ended == 1);
    rt::testing::SetEndAction([] {});
    int16_t cancel = 0;
    form.Form_QueryUnload(cancel, rt::vbFormControlMenu);
    CHECK(cancel == 0);
    rt::testing::SetPrevInstance(false);
    REQUIRE(boxes.shown.size() == 1);
    CHECK(boxes.shown[0].prompt == u"This apllication already has been running now.");
    CHECK(boxes.shown[0].title == u"");
    CHECK(boxes.shown[0].style == rt::vbExclamation);
}

TEST_CASE("copy and paste exchange the box's selection with the system clipboard") {
    ScriptedBoxes boxes;
    Form1 form;
    form.Text1.SetText(u"moon.jpg");
    Select(form.Text1, 0, 4);
    form.mnuCopy_Click();
    CHECK(rt::Clipboard().GetText() == u"moon");

    // Nothing selected: the clipboard keeps what it had.
    Select(form.Text1, 0, 0);
    rt::Clipboard().SetText(u"kept");
    form.mnuCopy_Click();
    CHECK(rt::Clipboard().GetText() == u"kept");

    // Paste replaces the selection; line breaks are handed on unchanged.
    Select(form.Text1, 5, 3);
    rt::Clipboard().SetText(u"png");
    form.mnuPaste_Click();
    CHECK(form.Text1.Text() == u"moon.png");

    // A file list copied in the shell is not text: the box stays as it is.
    PutFilesOnClipboard();
    CHECK(rt::Clipboard().GetText() == u"");
    form.mnuPaste_Click();
    CHECK(form.Text1.Text() == u"moon.png");
}

TEST_CASE("the program ends when its last form is unloaded, the About window included") {
    ScriptedBoxes boxes(rt::vbYes);
    int ended = 0;
    rt::testing::SetEndAction([&] { ++ended; });
    Form1 form;
    rt::Load(form);
    rt::Dispatch([&] { form.About_Click(); });
    frmAbout& about = frmAbout::Instance();
    CHECK(about.Caption() == u"Orvenna About");
    CHECK(about.lblVersion.Caption() == u"ﾊﾞｰｼﾞｮﾝ 5.0.11");
    rt::Dispatch([&] { form.Close_Click(0); });
    CHECK_FALSE(form.IsLoaded());
    CHECK(ended == 0);  // the About window still runs the program
    rt::Dispatch([&] { about.cmdOK_Click(); });
    CHECK(ended == 1);
    rt::testing::SetEndAction([] {});
}
