// CWnd's dialog-item operations over the window system. An edit control
// that gets a new text (WM_SETTEXT) sends EN_CHANGE to its dialog before
// SetDlgItemText returns, so writes run the routing table synchronously.
#include <string>

#include "platform/cwnd.h"

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const
{
    return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned)
{
    ::SetDlgItemInt(m_hWnd, id, value, isSigned);
}

int CWnd::GetDlgItemText(int id, CString& text) const
{
    // The ANSI length may be overstated for double-byte text, never
    // understated, so the whole text fits.
    HWND item = ::GetDlgItem(m_hWnd, id);
    int capacity = (item ? ::GetWindowTextLengthA(item) : 0) + 1;
    std::string buffer(static_cast<size_t>(capacity), '\0');
    int length = ::GetDlgItemTextA(m_hWnd, id, &buffer[0], capacity);
    text = CString(buffer.data(), length);
    return length;
}

void CWnd::SetDlgItemText(int id, LPCTSTR text)
{
    ::SetDlgItemTextA(m_hWnd, id, text ? text : "");
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type)
{
    return ::MessageBoxA(m_hWnd, text, caption, type);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(RECT* rect) const
{
    ::GetClientRect(m_hWnd, rect);
}
