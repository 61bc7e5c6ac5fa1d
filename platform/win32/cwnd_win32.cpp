// CWnd's dialog-item operations over the window system. An edit control
// that gets a new text (WM_SETTEXT) sends EN_CHANGE to its dialog before
// SetDlgItemText returns, so writes run the routing table synchronously.
// Texts cross in UTF-16 (text_win32.h).
#include <string>

#include "platform/cwnd.h"
#include "text_win32.h"

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
    // A character that code page 936 cannot hold reads as '?', which no
    // Windows file name contains: such a typed path names no file.
    HWND item = ::GetDlgItem(m_hWnd, id);
    int capacity = (item ? ::GetWindowTextLengthW(item) : 0) + 1;
    win32::WideText buffer;
    buffer.resize(static_cast<size_t>(capacity));
    int length = ::GetDlgItemTextW(m_hWnd, id, buffer.data(), capacity);
    text = win32::Narrow(buffer.c_str(), length);
    return text.GetLength();
}

void CWnd::SetDlgItemText(int id, LPCTSTR text)
{
    ::SetDlgItemTextW(m_hWnd, id, win32::Wide(text).c_str());
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type)
{
    return ::MessageBoxW(m_hWnd, win32::Wide(text).c_str(), win32::WideOrNull(caption), type);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendDlgItemMessageW(m_hWnd, id, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    return ::EnableWindow(m_hWnd, enable);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse)
{
    return ::SetTimer(m_hWnd, id, elapse, nullptr);
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    return ::KillTimer(m_hWnd, id);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(RECT* rect) const
{
    ::GetClientRect(m_hWnd, rect);
}
