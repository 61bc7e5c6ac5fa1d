#include "core/cut_progress.h"

#include <string>

#include "core/messages.h"
#include "platform/cdialog.h"
#include "platform/cwinthread.h"
#include "res/resource.h"

namespace {

// The progress window is made after this long, and its texts are renewed
// this often besides after every piece.
constexpr UINT kShowAfterMs = 500;
// The time left is told once the copy has run this long: the rate over the
// first piece or two says little.
constexpr ULONGLONG kSteadyAfterMs = 2000;
// The form's timer while a cut runs, and the progress window's.
constexpr UINT_PTR kShowTimer = 0x5143;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr int kBarRange = 1000;

// "12.5 MB": tenths of a MiB, in integers (a floating-point printf would
// add a fifth to the size of the Windows program).
CString Megabytes(ULONGLONG bytes)
{
    ULONGLONG tenths = bytes * 10 / (1024 * 1024);
    return (std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB").c_str();
}

// The progress window: the bar, what is on the disk, the time left, and
// 取消. The copy's end closes it.
class CCutProgressDlg : public CDialog {
public:
    CCutProgressDlg(CutCopy& copy, CWnd* owner) : CDialog(IDD_CUT_PROGRESS, owner), m_copy(copy) {}

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

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SendDlgItemMessage(IDC_CUT_PROGRESS, PBM_SETRANGE32, 0, kBarRange);
        Refresh();
        SetTimer(kRefreshTimer, kShowAfterMs);
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

    // Called every kShowAfterMs: the time left moves on between pieces.
    void OnTimer(UINT_PTR /*id*/) { Refresh(); }

    CutCopy& m_copy;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCutProgressDlg, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

// The form's side of a running cut: what the form hears meanwhile that its
// own routing does not take (CWnd::RunModalLoop): the copy's reports, the
// timer that makes the progress window, and the session's end.
class CCutFollower : public CCmdTarget {
public:
    CCutFollower(CWnd& form, CutCopy& copy) : m_form(form), m_copy(copy), m_thread(&CutCopy::ThreadProc, &copy) {}

    // Runs the copy to its end on the worker, the form's loop meanwhile.
    // False when no worker could be started.
    bool Run()
    {
        m_copy.SetFollower(&m_form);
        if (!m_thread.CreateThread())
            return false;
        BOOL wasDisabled = m_form.EnableWindow(FALSE);
        m_form.SetTimer(kShowTimer, kShowAfterMs);
        m_form.RunModalLoop(this);
        m_form.KillTimer(kShowTimer);
        m_thread.Join();
        if (!wasDisabled)
            m_form.EnableWindow(TRUE);
        return true;
    }

    void Abandon() { m_copy.Abandon(); }

protected:
    // Called after each piece and at the copy's end.
    LRESULT OnCutProgress(WPARAM /*wParam*/, LPARAM /*lParam*/)
    {
        if (m_window)
            m_window->Refresh();
        if (!m_copy.Ended())
            return 0;
        if (m_window)
            m_window->EndDialog(IDOK);
        m_form.EndModalLoop(0);
        return 0;
    }

    // Called once the copy has run kShowAfterMs: the progress window, modal
    // over the form until the copy ends.
    void OnTimer(UINT_PTR id)
    {
        if (id != kShowTimer || m_window)
            return;
        m_form.KillTimer(kShowTimer);
        CCutProgressDlg window(m_copy, &m_form);
        m_window = &window;
        window.DoModal();
        m_window = nullptr;
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

    CWnd& m_form;
    CutCopy& m_copy;
    CWinThread m_thread;
    CCutProgressDlg* m_window = nullptr;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCutFollower, CCmdTarget)
    ON_MESSAGE(WM_CUT_PROGRESS, &CCutFollower::OnCutProgress)
    ON_WM_TIMER()
    ON_WM_QUERYENDSESSION()
    ON_WM_ENDSESSION()
END_MESSAGE_MAP()

// The one cut that runs, if any: its form is disabled while it does, so
// there is never a second.
CCutFollower* g_running = nullptr;

}  // namespace

void CopyWithProgress(CWnd& form, CutCopy& copy)
{
    CCutFollower follower(form, copy);
    g_running = &follower;
    bool ran = follower.Run();
    g_running = nullptr;
    if (!ran)
        copy.Run(nullptr);
}

void AbandonCutInProgress()
{
    if (g_running)
        g_running->Abandon();
}
