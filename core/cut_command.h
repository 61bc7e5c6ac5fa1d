// The cut command: copies source bytes [start byte, start byte + byte count)
// into a new file the user names. Runs on IDOK and never closes the dialog.
#pragma once

#include "platform/cwnd.h"

// Checks in a fixed order (output chosen and free, source present, source
// openable, start inside the file, range inside the file), each failure a
// warning that leaves the form as it is and no output file behind.
void RunCutCommand(CWnd& form);
