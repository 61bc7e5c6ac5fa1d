// How the file system names things.
#pragma once

#include "platform/cstring.h"

// Index of the separator before the path's last component, or -1.
int AfxLastPathSeparator(const CString& path);
// True when two names that differ only in case name different files.
bool AfxFileNamesAreCaseSensitive();
