// CWinApp: the one application object. The backend's start-up code calls
// AfxWinMain, which calls InitInstance once; FALSE ends the program.
#pragma once

#include "platform/cwnd.h"

#define ID_HELP 0xE146

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCTSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    void OnHelp();

    LPCTSTR m_pszAppName = nullptr;
    CWnd* m_pMainWnd = nullptr;

protected:
    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
// The owner of a modal window shown with this parent: the parent or, as
// without one, the application's main window, unless that is self.
HWND AfxOwnerWindow(CWnd* parent, const CWnd* self);
// Runs the application object: InitInstance, then ExitInstance. The layer has
// no main message loop: every window this program shows is modal and runs its
// own loop inside InitInstance.
int AfxWinMain();
