// How Windows names files: either slash separates, case does not matter.
#include "platform/path_rules.h"

// The ANSI file functions read a path character by character in the ANSI
// code page, so a separator is looked for the same way: the trail byte of
// a character such as 0x81 0x5C is not one.
int AfxLastPathSeparator(const CString& path)
{
    int backslash = path.ReverseFind('\\');
    int slash = path.ReverseFind('/');
    return backslash > slash ? backslash : slash;
}

bool AfxFileNamesAreCaseSensitive()
{
    return false;
}
