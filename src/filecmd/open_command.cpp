#include <new>

#include "app/form1.h"
#include "runtime/busy_pointer.h"
#include "runtime/file_input.h"
#include "runtime/variant.h"
#include "filecmd/error_traps.h"
#include "filecmd/show_open_dialog.h"

namespace {

constexpr int kTextFile = 8;

// Closes the text file however the reading ends: a file left open would make every
// later open of the same number fail.
struct CloseWhenDone {
    bool opened = false;
    ~CloseWhenDone() {
        if (opened) rt::Close(kTextFile);
    }
};

}  // namespace

// Open: empties the pane, asks for a file, shows it, and hands its text to the pane.
void Form1::Load_Click(int16_t Index) {
    (void)Index;
    // The next save dialog starts from the last chosen path.
    CommonDialog1.SetFileName(DialogPath);
    Picture1.SetPicture(rt::LoadPicture());

    // A dialog that cannot be shown leaves DialogPath as it was.
    filecmd::SkipOnError([&] { DialogPath = ShowOpenDialog(hWnd(), u""); });

    // From here any failure ends the command without a word. A cancelled dialog ends
    // it here too: there is no file to read.
    try {
        Picture1.SetPicture(rt::LoadPicture(DialogPath));
        std::u16string text;
        rt::Variant field;
        // Reading a whole picture file as text takes a moment for a big one.
        rt::BusyPointer busy;
        CloseWhenDone closer;
        rt::OpenForInput(DialogPath, kTextFile);
        closer.opened = true;
        while (!rt::Eof(kTextFile)) {
            rt::Input(kTextFile, field);
            rt::AppendTextOf(text, field, kTextFile);
            text += u"\r\n";
        }
        rt::Close(kTextFile);
        closer.opened = false;
        Picture1.SetTag(rt::Variant(std::move(text)));
    } catch (const rt::RuntimeError&) {
    } catch (const std::bad_alloc&) {
    }
}
