#include "app/form1.h"

#include "runtime/drop_data.h"

namespace {

Form1* instance = nullptr;

rt::FormDesign MainWindowDesign() {
    rt::FormDesign d;
    d.name = "Form1";
    d.caption = u"Orvenna";
    d.clientWidthTwips = 11490;
    d.clientHeightTwips = 9330;
    // Run-time positions use the window's own scale: 0.6311692 twip across, 1 twip down.
    d.twipsPerUnitX = 0.6311692;
    d.twipsPerUnitY = 1.0;
    d.acceptsDrops = true;
    return d;
}

}  // namespace

Form1::Form1()
    : rt::Form(MainWindowDesign()),
      Label1(*this, "Label1", {3480, 0, 3735, 375}),
      Picture1(*this, "Picture1", {240, 600, 10815, 8535}),
      Text1(*this, "Text1", {7680, 0, 2895, 375}),
      CommonDialog1(*this),
      m1(*this, "m1", u"File"),
      Load(m1, "Load", u"Load(&O)", u"Ctrl+O", [this] { Load_Click(0); }),
      haihun1(m1, "haihun1", u"-"),
      Save(m1, "Save", u"Save(&S)", u"Ctrl+S", [this] { Save_Click(0); }),
      haihun2(m1, "haihun2", u"-"),
      Del(m1, "Del", u"Delete(&D)", u"Ctrl+D", [this] { Del_Click(); }),
      haihun3(m1, "haihun3", u"-"),
      mnuCopy(m1, "mnuCopy", u"Copy(&Z)", u"Ctrl+Z", [this] { mnuCopy_Click(); }),
      mnuPaste(m1, "mnuPaste", u"Paste(&V)", u"Ctrl+V", [this] { mnuPaste_Click(); }),
      haihun4(m1, "haihun4", u"-"),
      mnuImg(*this, "mnuImg", u"Image"),
      mnuDel(mnuImg, "mnuDel", u"Delete(&E)", u"Ctrl+E"),
      m2(*this, "m2", u"Station"),
      Menu(m2, "Menu", u"Station(&J)", u"Ctrl+J", [this] { Menu_Click(0); }),
      m8(*this, "m8", u"Help"),
      About(m8, "About", u"About(&A)", u"Ctrl+A", [this] { About_Click(); }),
      m9(*this, "m9", u"Close"),
      Close(m9, "Close", u"Close(&C)", u"Ctrl+C", [this] { Close_Click(0); }) {
    instance = this;

    Label1.SetCaption(u"Orvenna");
    Label1.SetCentered(true);
    Label1.SetColors({255, 255, 0}, {64, 0, 0});
    Label1.SetFont({u"ＭＳ Ｐゴシック", 15.75, true, false});

    Picture1.SetBackColor({192, 192, 192});
    Picture1.OnMouseDown = [this](int16_t b, int16_t s, float x, float y) { Picture1_MouseDown(b, s, x, y); };
    Picture1.OnDragDrop = [this](rt::DataObject& data, int32_t& effect, int16_t b, int16_t s, float x, float y) {
        Picture1_OLEDragDrop(data, effect, b, s, x, y);
    };

    // The "Image" menu is kept on the bar but greyed; its one item does nothing.
    mnuImg.SetEnabled(false);

    // The save dialog starts with the save filter table.
    SetSaveFilter();
}

Form1::~Form1() {
    if (instance == this) instance = nullptr;
}

Form1* Form1::Instance() { return instance; }
