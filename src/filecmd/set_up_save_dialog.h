// Prepares the main window's save dialog for its next use.
#pragma once

// Sets CommonDialog1's CancelError and its filter table.
void SetUpSaveDialog();
