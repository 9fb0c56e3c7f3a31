#include "about/about_form.h"

#include "app/product.h"
#include "runtime/default_instance.h"
#include "runtime/strings.h"

namespace {

rt::FormDesign AboutDesign() {
    rt::FormDesign d;
    d.name = "frmAbout";
    d.caption = u"About";  // replaced when the window loads
    d.clientWidthTwips = 5730;
    d.clientHeightTwips = 3165;
    d.fixedDialog = true;
    d.showInTaskbar = false;
    d.startLeftTwips = 2340;
    d.startTopTwips = 1935;
    return d;
}

const rt::FontStyle kTitleFont{u"ＭＳ Ｐゴシック", 15.75, true, false};
const rt::FontStyle kLinkFont{u"ＭＳ Ｐゴシック", 9, false, true};

}  // namespace

frmAbout::frmAbout()
    : rt::Form(AboutDesign()),
      Image1(*this, "Image1", {240, 360, 735, 855}),
      lblTitle(*this, "lblTitle", {1050, 240, 3885, 480}),
      lblVersion(*this, "lblVersion", {1440, 840, 1965, 225}),
      Command1(*this, "Command1", {1080, 1320, 3855, 375}),
      lblDisclaimer(*this, "lblDisclaimer", {840, 2040, 4455, 225}),
      Line1_1(*this, "Line1_1", {90, 2445, 5654, 2445}, 1),
      Line1_0(*this, "Line1_0", {105, 2460, 5654, 2460}, 2),
      cmdOK(*this, "cmdOK", {2280, 2625, 1380, 345}) {
    Image1.SetStretch(true);
    Image1.SetPicture(rt::StoredPicture(u"about.gif"));

    lblTitle.SetCentered(true);
    lblTitle.SetForeColor({255, 0, 0});
    lblTitle.SetFont(kTitleFont);

    lblVersion.SetCentered(false);

    // The button shows the address it opens.
    Command1.SetCaption(rt::FromUtf8(product::kWebAddress));
    Command1.SetFont(kLinkFont);
    Command1.SetTabIndex(4);
    Command1.OnClick = [this] { Command1_Click(); };

    lblDisclaimer.SetCaption(rt::FromUtf8(product::kLegalNotice));
    lblDisclaimer.SetForeColor({0, 0, 0});
    lblDisclaimer.SetCentered(true);

    Line1_1.SetBorderColor({128, 128, 128});
    Line1_0.SetBorderColor({255, 255, 255});

    cmdOK.SetCaption(u"OK");
    cmdOK.SetDefault(true);
    cmdOK.SetCancel(true);
    cmdOK.SetTabIndex(0);
    cmdOK.OnClick = [this] { cmdOK_Click(); };
}

frmAbout& frmAbout::Instance() { return rt::DefaultInstance<frmAbout>(); }
