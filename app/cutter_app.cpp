#include "app/cutter_app.h"

#include "dialog/cutter_dlg.h"

BEGIN_MESSAGE_MAP(CCutterApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CCutterApp::InitInstance()
{
    CCutterDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: no message loop of the application's own; the program ends.
    return FALSE;
}
