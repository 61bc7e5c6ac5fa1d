#include "dialog/cutter_dlg.h"

#include "core/cut_command.h"
#include "core/cut_progress.h"
#include "core/derived_values.h"
#include "core/open_source.h"
#include "platform/cpaintdc.h"
#include "platform/resources.h"

CCutterDlg::CCutterDlg(CWnd* parent) : CDialog(CCutterDlg::IDD, parent)
{
    m_hIcon = AfxLoadIcon(IDR_MAINFRAME);
}

void CCutterDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BEGIN_MESSAGE_MAP(CCutterDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_OPEN_SOURCE, &CCutterDlg::OnOpenSource)
    ON_EN_CHANGE(IDC_TOTAL_SECONDS, &CCutterDlg::OnChangeTotalSeconds)
    ON_EN_CHANGE(IDC_START_SECONDS, &CCutterDlg::OnChangeCutRange)
    ON_EN_CHANGE(IDC_END_SECONDS, &CCutterDlg::OnChangeCutRange)
END_MESSAGE_MAP()

BOOL CCutterDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

void CCutterDlg::OnOK()
{
    RunCutCommand(*this);
}

void CCutterDlg::OnCancel()
{
    AbandonCutInProgress();
    CDialog::OnCancel();
}

void CCutterDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int iconWidth = AfxGetSystemMetrics(SM_CXICON);
    int iconHeight = AfxGetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    int x = (rect.right - rect.left - iconWidth + 1) / 2;
    int y = (rect.bottom - rect.top - iconHeight + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CCutterDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CCutterDlg::OnOpenSource()
{
    RunOpenSourceCommand(*this);
}

void CCutterDlg::OnChangeTotalSeconds()
{
    ApplyBytesPerSecondRule(*this);
}

void CCutterDlg::OnChangeCutRange()
{
    ApplyCutRangeRule(*this);
}
