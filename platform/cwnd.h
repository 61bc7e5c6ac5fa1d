// CWnd: a window of the window system, addressed through m_hWnd. The dialog
// operations reach controls by ID only, through one-line wrappers.
#pragma once

#include "platform/cstring.h"
#include "platform/msgmap.h"
#include "platform_types.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // The field's text as a number. With isSigned, an optional minus sign
    // followed by decimal digits gives a signed 32-bit value; empty or
    // unconvertible text gives 0 (and *translated = FALSE).
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
    // Shows value as decimal text, as a signed 32-bit number with isSigned.
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
    int GetDlgItemText(int id, CString& text) const;
    // Replaces the whole text; an edit control then sends EN_CHANGE to this
    // window synchronously, once.
    void SetDlgItemText(int id, LPCTSTR text);
    // Modal message box owned by this window.
    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues the message for the window's thread and returns at once; the
    // one operation another thread may call. FALSE when the window is gone.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // A disabled window takes no input from the user; its controls do not
    // change their look.
    BOOL EnableWindow(BOOL enable);
    // WM_TIMER with this id every elapse milliseconds, until KillTimer.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
    BOOL KillTimer(UINT_PTR id);
    // Runs the window system's loop, as a modal dialog's does, until
    // EndModalLoop is called for this window: the window then follows work
    // done elsewhere (its caller disables it, as a modal dialog disables
    // its owner). Meanwhile the messages to it that its own routing does
    // not take go to follower's. Returns the result given to EndModalLoop.
    int RunModalLoop(CCmdTarget* follower);
    void EndModalLoop(int result);
    bool InModalLoop() const { return m_modalFollower != nullptr; }
    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;
    // Leaves the message now being handled to the window system's default
    // handling.
    LRESULT Default();

    // Called by the backend for each message the window receives: routes it
    // through the routing tables. Returns whether a handler took it.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

protected:
    // Set by Default() while a message is being handled.
    bool m_defaultRequested = false;
    // The backend's loop for RunModalLoop, until m_modalEnded.
    void LoopUntilEnded();

    // Set by RunModalLoop and EndModalLoop.
    CCmdTarget* m_modalFollower = nullptr;
    bool m_modalEnded = false;
    int m_modalResult = 0;
};
