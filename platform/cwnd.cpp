#include "platform/cwnd.h"

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    m_defaultRequested = false;
    UINT code = message == WM_COMMAND ? HIWORD(wParam) : 0;
    UINT id = message == WM_COMMAND ? LOWORD(wParam) : 0;
    bool handled = Dispatch(message, code, id, wParam, lParam, result)
        || (m_modalFollower && m_modalFollower->Dispatch(message, code, id, wParam, lParam, result));
    return handled && !m_defaultRequested;
}

int CWnd::RunModalLoop(CCmdTarget* follower)
{
    CCmdTarget* outer = m_modalFollower;
    m_modalFollower = follower;
    m_modalEnded = false;
    LoopUntilEnded();
    m_modalFollower = outer;
    return m_modalResult;
}

LRESULT CWnd::Default()
{
    m_defaultRequested = true;
    return 0;
}
