#include "platform/cwnd.h"

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    m_defaultRequested = false;
    bool handled;
    if (message == WM_COMMAND)
        handled = Dispatch(message, HIWORD(wParam), LOWORD(wParam), wParam, lParam, result);
    else
        handled = Dispatch(message, 0, 0, wParam, lParam, result);
    return handled && !m_defaultRequested;
}

LRESULT CWnd::Default()
{
    m_defaultRequested = true;
    return 0;
}
