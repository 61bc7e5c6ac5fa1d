// How the file system names things.
#pragma once

// Characters that separate path components.
const char* AfxPathSeparators();
// True when two names that differ only in case name different files.
bool AfxFileNamesAreCaseSensitive();
