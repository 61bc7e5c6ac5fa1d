#include "core/cut_progress.h"

#include <cstdio>

#include "core/messages.h"
#include "platform/cdialog.h"
#include "platform/cwinthread.h"
#include "res/resource.h"

namespace {

// The progress window appears after this long, and its texts are renewed
// this often besides after every piece.
constexpr UINT kShowAfterMs = 500;
// The time left is told once the copy has run this long: the rate over the
// first piece or two says little.
constexpr ULONGLONG kSteadyAfterMs = 2000;
constexpr UINT_PTR kTimer = 1;
constexpr int kBarRange = 1000;

// The one cut that runs, if any: its form is disabled while it does, so
// there is never a second.
CutCopy* g_running = nullptr;

CString Megabytes(ULONGLONG bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

class CCutProgressDlg : public CDialog {
public:
    CCutProgressDlg(CutCopy& copy, CWnd* owner)
        : CDialog(IDD_CUT_PROGRESS, owner), m_copy(copy), m_thread(&CutCopy::ThreadProc, &copy)
    {
    }

    bool Started() const { return m_started; }

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_copy.SetFollower(this);
        m_started = m_thread.CreateThread() != FALSE;
        if (!m_started) {
            EndDialog(IDABORT);
            return TRUE;
        }
        SendDlgItemMessage(IDC_CUT_PROGRESS, PBM_SETRANGE32, 0, kBarRange);
        SetTimer(kTimer, kShowAfterMs);
        return TRUE;
    }

    // Called on Enter: the window has no default button, and only the copy's
    // end closes it.
    void OnOK() override {}

    // Called on the 取消 button, Escape and the close box: the copy stops at
    // its next piece; the window goes when the copy has ended.
    void OnCancel() override
    {
        m_copy.Stop();
        SetDlgItemText(IDC_CUT_TIME_LEFT, TXT_CANCELLING);
    }

    // Called every kShowAfterMs: the first shows the window.
    void OnTimer(UINT_PTR /*id*/)
    {
        Refresh();
        if (!m_shown) {
            m_shown = true;
            ShowWindow(SW_SHOW);
        }
    }

    // Called after each piece and at the end of the copy.
    LRESULT OnCutProgress(WPARAM /*wParam*/, LPARAM /*lParam*/)
    {
        if (!m_copy.Ended()) {
            if (m_shown)
                Refresh();
            return 0;
        }
        KillTimer(kTimer);
        m_thread.Join();
        EndDialog(IDOK);
        return 0;
    }

    // Called when the session may end: the copy is asked to stop at once.
    BOOL OnQueryEndSession()
    {
        m_copy.Abandon();
        return TRUE;
    }

    // Called when the session ends: the program may be ended as soon as
    // this returns, so the copy stops and cleans up before.
    void OnEndSession(BOOL ending)
    {
        if (!ending)
            return;
        m_copy.Abandon();
        m_thread.Join();
    }

    void Refresh()
    {
        ULONGLONG done = m_copy.BytesOnDisk();
        ULONGLONG total = m_copy.Total();
        int position = total ? static_cast<int>(done * kBarRange / total) : kBarRange;
        SendDlgItemMessage(IDC_CUT_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        SetDlgItemText(IDC_CUT_WRITTEN, ProgressText(Megabytes(done), Megabytes(total)));
        if (m_copy.StopRequested())
            return;
        ULONGLONG elapsed = AfxTickCount() - m_copy.StartedAt();
        if (elapsed < kSteadyAfterMs || done == 0) {
            SetDlgItemText(IDC_CUT_TIME_LEFT, TXT_TIME_LEFT_UNKNOWN);
            return;
        }
        ULONGLONG seconds = ((total - done) * elapsed / done + 999) / 1000;
        SetDlgItemText(IDC_CUT_TIME_LEFT, TimeLeftText(static_cast<unsigned>(seconds)));
    }

    CutCopy& m_copy;
    CWinThread m_thread;
    bool m_started = false;
    bool m_shown = false;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCutProgressDlg, CDialog)
    ON_WM_TIMER()
    ON_MESSAGE(WM_CUT_PROGRESS, &CCutProgressDlg::OnCutProgress)
    ON_WM_QUERYENDSESSION()
    ON_WM_ENDSESSION()
END_MESSAGE_MAP()

}  // namespace

void CopyWithProgress(CWnd& form, CutCopy& copy)
{
    g_running = &copy;
    bool ran = false;
    {
        CCutProgressDlg progress(copy, &form);
        progress.DoModal();
        ran = progress.Started();
    }
    if (!ran)
        copy.Run(nullptr);
    g_running = nullptr;
}

void AbandonCutInProgress()
{
    if (g_running)
        g_running->Abandon();
}
