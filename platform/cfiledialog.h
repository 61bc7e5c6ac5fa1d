// CFileDialog: the common open and save dialogs, modal over the main window.
#pragma once

#include "platform/cstring.h"
#include "platform/cwnd.h"

class CFileDialog {
public:
    // filter: pieces ended by '|', description and pattern in turn.
    CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt = nullptr, LPCTSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR filter = nullptr,
                CWnd* parent = nullptr);

    // IDOK when the user confirmed a name, IDCANCEL when cancelled or when
    // the dialog failed.
    INT_PTR DoModal();
    // The full path of the choice, after DoModal returned IDOK.
    CString GetPathName() const { return m_pathName; }
    // False when the chosen path has characters that the program's code
    // page cannot hold: GetPathName then shows '?' for each, and names no
    // file to open or create.
    bool PathNameFits() const { return m_pathNameFits; }

private:
    BOOL m_open;
    CString m_defaultExt;
    CString m_fileName;
    DWORD m_flags;
    CString m_filter;
    CWnd* m_pParentWnd;
    CString m_pathName;
    bool m_pathNameFits = true;
};
