#include "app/form1.h"
#include "runtime/clipboard.h"

// Copy: the box's selection goes to the clipboard; nothing when nothing is selected.
void Form1::mnuCopy_Click() {
    if (!(Text1.SelLength() > 0)) return;
    rt::Clipboard().SetText(Text1.SelText());
}

// Paste: the clipboard's text replaces the selection, or goes in at the caret.
void Form1::mnuPaste_Click() {
    if (rt::Clipboard().GetText() == u"") return;
    Text1.SetSelText(rt::Clipboard().GetText());
}
