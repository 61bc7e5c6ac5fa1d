#include "platform/cfiledialog.h"

CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt, LPCTSTR fileName, DWORD flags,
                         LPCTSTR filter, CWnd* parent)
    : m_open(openFileDialog), m_defaultExt(defaultExt), m_fileName(fileName), m_flags(flags),
      m_filter(filter), m_pParentWnd(parent)
{
}
