#include "platform/cwinapp.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(LPCTSTR appName) : m_pszAppName(appName)
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::OnHelp()
{
    // No help file is supplied.
}

CWinApp* AfxGetApp()
{
    return g_app;
}

HWND AfxOwnerWindow(CWnd* parent, const CWnd* self)
{
    if (parent)
        return parent->m_hWnd;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && app->m_pMainWnd != self)
        return app->m_pMainWnd->m_hWnd;
    return nullptr;
}

int AfxWinMain()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->InitInstance();
    return app->ExitInstance();
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()
