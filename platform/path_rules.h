// How the file system names things.
#pragma once

#include "platform/cstring.h"

// Index of the separator before the path's last component, or -1.
int AfxLastPathSeparator(const CString& path);
// True when two names that differ only in case name different files.
bool AfxFileNamesAreCaseSensitive();
// False when the file system would refuse path as too long: its last
// component longer than its folder allows, or the whole path longer than
// the system's file functions take. Asked before anything is written under
// a name, so that such a name fails at once, not after a long copy.
bool AfxNameFitsFolder(const CString& path);
