#include "core/output_path.h"

#include <cstring>

#include "core/messages.h"
#include "platform/path_rules.h"

static int LastSeparator(const CString& path)
{
    int last = -1;
    for (const char* sep = AfxPathSeparators(); *sep; ++sep) {
        int at = path.ReverseFind(*sep);
        if (at > last)
            last = at;
    }
    return last;
}

CString OutputPathFor(const CString& chosen)
{
    CString lowered = chosen;
    lowered.MakeLower();
    bool hasSuffix = lowered.Find(TXT_MP3_SUFFIX) != -1;

    CString output = lowered;
    if (AfxFileNamesAreCaseSensitive()) {
        int nameStart = LastSeparator(chosen) + 1;
        CString name = chosen.Mid(nameStart);
        name.MakeLower();
        output = chosen.Left(nameStart) + name;
    }
    if (!hasSuffix)
        output += TXT_MP3_SUFFIX;
    return output;
}
