#include "core/output_path.h"

#include <string>

#include "core/messages.h"
#include "platform/cfilefind.h"
#include "platform/path_rules.h"

CString OutputPathFor(const CString& chosen)
{
    CString lowered = chosen;
    lowered.MakeLower();
    bool hasSuffix = lowered.Find(TXT_MP3_SUFFIX) != -1;

    CString output = lowered;
    if (AfxFileNamesAreCaseSensitive()) {
        int nameStart = AfxLastPathSeparator(chosen) + 1;
        CString name = chosen.Mid(nameStart);
        name.MakeLower();
        output = chosen.Left(nameStart) + name;
    }
    if (!hasSuffix)
        output += TXT_MP3_SUFFIX;
    return output;
}

CString UnfinishedPathFor(const CString& output, int attempt)
{
    CString folder = output.Left(AfxLastPathSeparator(output) + 1);
    return folder + "~qarvel-" + std::to_string(attempt).c_str() + ".part";
}

bool AnythingAt(const CString& path)
{
    CFileFind finder;
    bool found = finder.FindFile(path) != FALSE;
    finder.Close();
    return found;
}
