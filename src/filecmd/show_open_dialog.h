// The open dialog, shown through the system's open-file call.
#pragma once

#include <cstdint>
#include <string>

// Shows the open dialog owned by the window hwndOwner, with the file types of filter
// (none when it is empty). Returns the chosen path followed by the NUL padding of the
// dialog's 250-byte buffer, or the empty string when the dialog was cancelled or failed.
std::u16string ShowOpenDialog(int32_t hwndOwner, const std::u16string& filter);
