// CFileFind: asks the file system whether anything is at a path.
#pragma once

#include "platform_types.h"

class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // True when a file or folder matches the path.
    BOOL FindFile(LPCTSTR path);
    void Close();

private:
    // The backend's search handle; -1 when no search is open.
    INT_PTR m_handle = -1;
};
