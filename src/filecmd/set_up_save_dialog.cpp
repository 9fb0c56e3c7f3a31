#include "filecmd/set_up_save_dialog.h"

#include "app/form1.h"
#include "filecmd/save_filter.h"

void Form1::SetSaveFilter() { CommonDialog1.SetFilter(filecmd::kSaveFilter); }

void SetUpSaveDialog() {
    Form1& form = *Form1::Instance();
    form.CommonDialog1.SetCancelError(true);
    form.CommonDialog1.SetFilter(filecmd::kSaveFilter);
}
