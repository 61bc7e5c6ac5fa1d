// How Windows names files: either slash separates, case does not matter.
#include "platform/path_rules.h"
#include "text_win32.h"

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

// The W file functions take a path of fewer than MAX_PATH characters
// without the "\\?\" prefix, which this program does not use. Each name
// within it is limited by the volume (255 UTF-16 code units on NTFS and
// FAT); when the volume does not answer, 255.
bool AfxNameFitsFolder(const CString& path)
{
    win32::WideText wide = win32::Wide(path);
    size_t length = wide.length();
    if (length >= MAX_PATH)
        return false;
    size_t nameStart = length;
    while (nameStart > 0 && wide.c_str()[nameStart - 1] != L'\\' && wide.c_str()[nameStart - 1] != L'/')
        --nameStart;
    wchar_t volume[MAX_PATH];
    DWORD limit = 0;
    if (!::GetVolumePathNameW(wide.c_str(), volume, MAX_PATH)
        || !::GetVolumeInformationW(volume, nullptr, 0, nullptr, &limit, nullptr, nullptr, 0))
        limit = 255;
    return length - nameStart <= limit;
}
