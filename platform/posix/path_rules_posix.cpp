// How the POSIX file system names things, and the code page 936 rules of
// the program's strings there.
#include "platform/cstring.h"
#include "platform/path_rules.h"

bool AfxIsLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

// POSIX paths are bytes: '/' separates wherever it stands, even after a
// byte that would lead a double-byte character.
int AfxLastPathSeparator(const CString& path)
{
    size_t at = path.Str().rfind('/');
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

bool AfxFileNamesAreCaseSensitive()
{
    return true;
}
