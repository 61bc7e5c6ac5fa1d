// CFileFind over FindFirstFile: any directory entry that matches counts,
// a folder as well as a file.
#include "platform/cfilefind.h"
#include "text_win32.h"

BOOL CFileFind::FindFile(LPCTSTR path)
{
    Close();
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(win32::Wide(path ? path : "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return FALSE;
    m_handle = reinterpret_cast<INT_PTR>(search);
    return TRUE;
}

void CFileFind::Close()
{
    if (m_handle == -1)
        return;
    ::FindClose(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
}
