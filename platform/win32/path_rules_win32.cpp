// How Windows names files: either slash separates, case does not matter.
#include "platform/path_rules.h"

const char* AfxPathSeparators()
{
    return "\\/";
}

bool AfxFileNamesAreCaseSensitive()
{
    return false;
}
