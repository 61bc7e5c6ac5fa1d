// The headless window system: controls in memory, messages delivered
// in-process through the routing tables, file dialogs and message boxes
// answered by the test's Session.
#include <cassert>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/cdialog.h"
#include "platform/cfiledialog.h"
#include "platform/cpaintdc.h"
#include "platform/cwinapp.h"
#include "platform/cwinthread.h"
#include "platform/headless/headless.h"
#include "platform/posix/dialog_number.h"
#include "platform/resources.h"

struct HWND__ {
    CWnd* owner;
    std::map<int, headless::ControlSpec> controls;
    bool iconic = false;
    RECT client = { 0, 0, 468, 325 };
    std::vector<headless::MessageSent> sent;
    std::vector<headless::IconDrawn> drawn;
    bool ended = false;
    int endResult = 0;
    bool enabled = true;
    // Timers by id: their period and when they are next due.
    std::map<UINT_PTR, std::pair<UINT, ULONGLONG>> timers;
    std::map<int, int> barPositions;
};

namespace headless {

namespace {

Session* g_session = nullptr;

HWND__& WindowOf(const CWnd& wnd)
{
    assert(wnd.m_hWnd && "the CWnd has no headless window");
    return *wnd.m_hWnd;
}

ControlSpec* FindControl(const CWnd& wnd, int id)
{
    auto& controls = WindowOf(wnd).controls;
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : &it->second;
}

ControlSpec& ControlOf(const CWnd& wnd, int id)
{
    ControlSpec* control = FindControl(wnd, id);
    assert(control && "no control with this ID");
    return *control;
}

void SendCommand(CWnd& wnd, int id, UINT code)
{
    LRESULT ignored = 0;
    wnd.OnWndMsg(WM_COMMAND, MAKEWPARAM(id, code), 0, &ignored);
}

// Sets an edit control's text as the window system does: the parent hears
// EN_CHANGE synchronously, once per change.
void SetControlText(CWnd& wnd, int id, const std::string& text)
{
    ControlSpec& control = ControlOf(wnd, id);
    control.text = text;
    if (control.className == "EDIT")
        SendCommand(wnd, id, EN_CHANGE);
}

}  // namespace

Session::Session()
{
    assert(!g_session && "one headless Session at a time");
    g_session = this;
    clock = [this] { return nowMs.load(); };
    posix::SetActiveFileHooks(this);
}

Session::~Session()
{
    posix::SetActiveFileHooks(nullptr);
    g_session = nullptr;
}

void Session::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard<std::mutex> hold(m_postedLock);
        m_queue.push_back({ window, { message, wParam, lParam } });
    }
    m_posted.notify_one();
}

bool Session::TakePosted(MessageSent* message, HWND* window, int waitMs)
{
    std::unique_lock<std::mutex> hold(m_postedLock);
    if (m_queue.empty())
        m_posted.wait_for(hold, std::chrono::milliseconds(waitMs), [this] { return !m_queue.empty(); });
    if (m_queue.empty())
        return false;
    *window = m_queue.front().first;
    *message = m_queue.front().second;
    m_queue.pop_front();
    return true;
}

void Session::Forget(HWND window)
{
    std::lock_guard<std::mutex> hold(m_postedLock);
    for (auto it = m_queue.begin(); it != m_queue.end();)
        it = it->first == window ? m_queue.erase(it) : it + 1;
}

Session& Session::Current()
{
    assert(g_session && "the program's code runs only inside a headless Session");
    return *g_session;
}

void Session::AnswerFileDialog(const std::string& typedPath)
{
    m_answers.push_back({ true, typedPath });
}

void Session::CancelFileDialog()
{
    m_answers.push_back({ false, std::string() });
}

bool Session::NextAnswer(Answer* answer)
{
    if (m_answers.empty())
        return false;
    *answer = m_answers.front();
    m_answers.pop_front();
    return true;
}

void Session::RegisterTemplate(UINT templateId, std::vector<ControlSpec> controls)
{
    m_templates[templateId] = std::move(controls);
}

const std::vector<ControlSpec>* Session::Template(UINT templateId) const
{
    auto it = m_templates.find(templateId);
    return it == m_templates.end() ? nullptr : &it->second;
}

Window::Window(CWnd& wnd, const std::vector<ControlSpec>& controls) : m_wnd(wnd)
{
    assert(!wnd.m_hWnd && "the CWnd has a window already");
    HWND__* hwnd = new HWND__;
    hwnd->owner = &wnd;
    for (const ControlSpec& control : controls)
        hwnd->controls[control.id] = control;
    wnd.m_hWnd = hwnd;
}

Window::~Window()
{
    if (g_session)
        g_session->Forget(m_wnd.m_hWnd);
    delete m_wnd.m_hWnd;
    m_wnd.m_hWnd = nullptr;
}

void Type(CWnd& wnd, int id, const std::string& text)
{
    ControlOf(wnd, id).text.clear();
    for (size_t i = 1; i <= text.size(); ++i)
        SetControlText(wnd, id, text.substr(0, i));
}

void Paste(CWnd& wnd, int id, const std::string& text)
{
    SetControlText(wnd, id, text);
}

void Click(CWnd& wnd, int id)
{
    assert(ControlOf(wnd, id).className == "BUTTON");
    SendCommand(wnd, id, BN_CLICKED);
}

void Command(CWnd& wnd, int id)
{
    SendCommand(wnd, id, 0);
}

std::string Text(const CWnd& wnd, int id)
{
    return ControlOf(wnd, id).text;
}

bool IsWindowEnabled(const CWnd& wnd)
{
    return WindowOf(wnd).enabled;
}

bool IsEnabled(const CWnd& wnd, int id)
{
    return ControlOf(wnd, id).enabled;
}

bool HasControl(const CWnd& wnd, int id)
{
    return FindControl(wnd, id) != nullptr;
}

std::vector<int> ControlIds(const CWnd& wnd)
{
    std::vector<int> ids;
    for (const auto& entry : WindowOf(wnd).controls)
        ids.push_back(entry.first);
    return ids;
}

void SetIconic(CWnd& wnd, bool iconic)
{
    WindowOf(wnd).iconic = iconic;
}

void SetClientSize(CWnd& wnd, int width, int height)
{
    WindowOf(wnd).client = { 0, 0, width, height };
}

bool Paint(CWnd& wnd)
{
    LRESULT ignored = 0;
    return wnd.OnWndMsg(WM_PAINT, 0, 0, &ignored);
}

const std::vector<MessageSent>& MessagesSent(const CWnd& wnd)
{
    return WindowOf(wnd).sent;
}

const std::vector<IconDrawn>& IconsDrawn(const CWnd& wnd)
{
    return WindowOf(wnd).drawn;
}

}  // namespace headless

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const
{
    long long value = 0;
    bool ok = posix::DialogNumber(headless::ControlOf(*this, id).text, isSigned != FALSE, &value);
    if (translated)
        *translated = ok ? TRUE : FALSE;
    return ok ? static_cast<UINT>(value) : 0;
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned)
{
    headless::SetControlText(*this, id, posix::DialogNumberText(value, isSigned != FALSE));
}

int CWnd::GetDlgItemText(int id, CString& text) const
{
    const std::string& stored = headless::ControlOf(*this, id).text;
    text = CString(stored.data(), static_cast<int>(stored.size()));
    return text.GetLength();
}

void CWnd::SetDlgItemText(int id, LPCTSTR text)
{
    headless::SetControlText(*this, id, text ? text : "");
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type)
{
    headless::Session& session = headless::Session::Current();
    std::string shownText = text ? text : "";
    // Windows' default caption for a box with none is "Error".
    std::string shownCaption = caption ? caption : "Error";
    session.messageBoxes.push_back({ m_hWnd, shownText, shownCaption, type });
    char typeText[16];
    std::snprintf(typeText, sizeof typeText, "0x%02X", type);
    session.shown.push_back(std::string("box ") + typeText + " " + shownText);
    return IDOK;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    headless::WindowOf(*this).sent.push_back({ message, wParam, lParam });
    LRESULT result = 0;
    OnWndMsg(message, wParam, lParam, &result);
    return result;
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    HWND__& window = headless::WindowOf(*this);
    if (!headless::FindControl(*this, id))
        return 0;
    int& position = window.barPositions[id];
    int previous = position;
    if (message == PBM_SETPOS) {
        position = static_cast<int>(wParam);
        headless::Session::Current().barPositions.push_back(position);
    }
    return message == PBM_SETPOS || message == PBM_GETPOS ? previous : 0;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    headless::Session::Current().Post(m_hWnd, message, wParam, lParam);
    return TRUE;
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    HWND__& window = headless::WindowOf(*this);
    bool wasDisabled = !window.enabled;
    window.enabled = enable != FALSE;
    return wasDisabled;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse)
{
    headless::WindowOf(*this).timers[id] = { elapse, AfxTickCount() + elapse };
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    return headless::WindowOf(*this).timers.erase(id) ? TRUE : FALSE;
}

BOOL CWnd::IsIconic() const
{
    return headless::WindowOf(*this).iconic ? TRUE : FALSE;
}

void CWnd::GetClientRect(RECT* rect) const
{
    *rect = headless::WindowOf(*this).client;
}

namespace {

// Delivers the timers of wnd that are due by the layer's clock; true when
// any was.
bool DeliverDueTimers(CWnd& wnd)
{
    for (auto& timer : wnd.m_hWnd->timers) {
        if (AfxTickCount() < timer.second.second)
            continue;
        timer.second.second = AfxTickCount() + timer.second.first;
        LRESULT ignored = 0;
        wnd.OnWndMsg(WM_TIMER, timer.first, 0, &ignored);
        return true;  // a handler may have killed timers
    }
    return false;
}

// How long a loop that follows wnd may wait for a posted message: until
// its next timer is due. A test's clock moves only when the test moves it,
// so under one the loop looks again every 5 ms; on the real clock (the
// bench) it sleeps as a program's loop does.
int WaitMs(CWnd& wnd, const headless::Session& session)
{
    ULONGLONG wait = session.clock ? 5 : 1000;
    ULONGLONG now = AfxTickCount();
    for (const auto& timer : wnd.m_hWnd->timers) {
        ULONGLONG due = timer.second.second;
        if (due <= now)
            return 0;
        if (due - now < wait)
            wait = due - now;
    }
    return static_cast<int>(wait);
}

// One turn of a loop that follows wnd: its timers, or one posted message,
// to whichever window it was posted to. Messages for a window gone were
// dropped when it went.
void DeliverOne(CWnd& wnd, headless::Session& session)
{
    if (DeliverDueTimers(wnd))
        return;
    headless::MessageSent posted;
    HWND target = nullptr;
    if (!session.TakePosted(&posted, &target, WaitMs(wnd, session)))
        return;
    LRESULT ignored = 0;
    target->owner->OnWndMsg(posted.message, posted.wParam, posted.lParam, &ignored);
}

}  // namespace

void CWnd::LoopUntilEnded()
{
    headless::Session& session = headless::Session::Current();
    while (!m_modalEnded)
        DeliverOne(*this, session);
}

void CWnd::EndModalLoop(int result)
{
    m_modalResult = result;
    m_modalEnded = true;
}

// A dialog of its own (the main dialog) is played by the test's whileModal;
// one owned by another (a long cut's progress window) is shown, its
// whenShown runs, and its loop runs until EndDialog.
INT_PTR CDialog::DoModal()
{
    headless::Session& session = headless::Session::Current();
    const std::vector<headless::ControlSpec>* controls = session.Template(m_templateId);
    if (!controls)
        return -1;
    // Like MFC: without a parent, the application's main window owns it.
    CWnd* owner = m_pParentWnd;
    if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd != this)
        owner = AfxGetApp()->m_pMainWnd;
    headless::Window window(*this, *controls);
    BOOL ownerWasDisabled = owner && owner->m_hWnd ? owner->EnableWindow(FALSE) : FALSE;
    OnInitDialog();
    if (!owner) {
        if (session.whileModal)
            session.whileModal(*this);
    } else if (!m_hWnd->ended) {
        session.shown.push_back("window shown");
        if (session.whenShown)
            session.whenShown(*this);
        ++session.windowsShown;
        while (!m_hWnd->ended)
            DeliverOne(*this, session);
    }
    if (owner && owner->m_hWnd && !ownerWasDisabled)
        owner->EnableWindow(TRUE);
    return m_hWnd->ended ? m_hWnd->endResult : -1;
}

void CDialog::EndDialog(int result)
{
    m_hWnd->ended = true;
    m_hWnd->endResult = result;
}

INT_PTR CFileDialog::DoModal()
{
    headless::Session& session = headless::Session::Current();
    HWND owner = AfxOwnerWindow(m_pParentWnd, nullptr);
    session.fileDialogs.push_back(
        { m_open != FALSE, m_defaultExt.Str(), m_fileName.Str(), m_flags, m_filter.Str(), owner });
    session.shown.push_back(m_open ? "open dialog" : "save dialog");

    headless::Session::Answer answer;
    if (!session.NextAnswer(&answer)) {
        ++session.unansweredFileDialogs;
        return IDCANCEL;
    }
    if (!answer.ok)
        return IDCANCEL;
    std::string path = answer.path;
    size_t nameStart = path.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    if (!m_defaultExt.IsEmpty() && path.find('.', nameStart) == std::string::npos)
        path += "." + m_defaultExt.Str();
    m_pathName = CString(path.data(), static_cast<int>(path.size()));
    return IDOK;
}

CPaintDC::CPaintDC(CWnd* wnd) : m_pWnd(wnd), m_hDC(reinterpret_cast<HDC>(wnd->m_hWnd)), m_paint(nullptr)
{
}

CPaintDC::~CPaintDC() = default;

BOOL CPaintDC::DrawIcon(int x, int y, HICON icon)
{
    headless::WindowOf(*m_pWnd).drawn.push_back({ x, y, icon });
    return TRUE;
}

HINSTANCE AfxFindResourceHandle(LPCTSTR /*name*/, LPCTSTR /*type*/)
{
    static char module;
    return reinterpret_cast<HINSTANCE>(&module);
}

HICON AfxLoadIcon(UINT id)
{
    // A distinct fake handle per resource ID, stable for the run.
    static char icons[1024];
    return reinterpret_cast<HICON>(&icons[id % sizeof icons]);
}

int AfxGetSystemMetrics(int index)
{
    return index == SM_CXICON || index == SM_CYICON ? headless::Session::Current().iconSize : 0;
}
