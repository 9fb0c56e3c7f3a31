#include "about/about_form.h"
#include "app/product.h"
#include "runtime/application.h"
#include "runtime/strings.h"
#include "platform/shell_execute.h"

// Each load writes the caption and the labels from the application's title and version.
void frmAbout::Form_Load() {
    SetCaption(rt::App().Title() + u" About");
    const int major = rt::App().Major();
    const int minor = rt::App().Minor();
    const int revision = rt::App().Revision();
    lblVersion.SetCaption(u"ﾊﾞｰｼﾞｮﾝ " + rt::Str(major) + u"." + rt::Str(minor) + u"." + rt::Str(revision));
    lblTitle.SetCaption(rt::App().Title());
}

void frmAbout::cmdOK_Click() { rt::Unload(*this); }

// Opens the maker's web page in the browser; whether it opened is not looked at.
void frmAbout::Command1_Click() {
    const int32_t window = hWnd();
    const std::u16string folder = rt::App().Path();
    const std::string address = rt::ToAnsi(rt::FromUtf8(product::kWebAddress));
    const std::string directory = rt::ToAnsi(folder);
    platform::ShellExecuteA(window, "Open", address.c_str(), nullptr, directory.c_str(), platform::SW_SHOWNORMAL);
}
