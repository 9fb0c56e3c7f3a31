#include "app/form1.h"
#include "app/runtime/common_dialog.h"

// Save-as command: not built yet.
void Form1::Save_Click(int16_t Index) { (void)Index; }

void rt::CommonDialog::ShowSave() { (void)owner_; }
