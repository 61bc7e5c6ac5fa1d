// The path the cut command writes to, formed from the name the user chose.
#pragma once

#include "platform/cstring.h"

// Lowers the chosen path and appends ".mp3" unless ".mp3" occurs anywhere in
// the lowered path (even in a folder name). Where file names are case
// sensitive, only the last component is lowered, since lowering a folder
// name would name another folder; the ".mp3" search still looks at the
// whole lowered path, so the result is the same file name everywhere.
CString OutputPathFor(const CString& chosen);
