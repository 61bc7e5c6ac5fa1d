#include "tests/win32/dialog_support.h"

#include <exception>
#include <vector>

#include "platform/cpaintdc.h"
#include "tests/win32/harness.h"

namespace support {

CWinApp& App()
{
    static CWinApp app;
    return app;
}

void TestDialog::ResetChanges()
{
    for (int& count : changes)
        count = 0;
}

int TestDialog::TotalChanges() const
{
    int total = 0;
    for (int count : changes)
        total += count;
    return total;
}

void TestDialog::End(int result)
{
    ended = true;
    EndDialog(result);
}

BOOL TestDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The body runs from the message loop, once the dialog is up.
    ::PostMessageA(m_hWnd, WM_APP, 0, 0);
    return TRUE;
}

void TestDialog::OnRunBody()
{
    focusAtStart = ::GetFocus();
    // An exception would end in the layer's dialog procedure, whose message
    // box nobody closes here.
    try {
        if (body)
            body(*this);
    } catch (const std::exception& e) {
        harness::Fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
    }
    if (!ended)
        End(IDOK);
}

void TestDialog::OnPaint()
{
    ++paints;
    if (paintByDefault) {
        Default();
        return;
    }
    CPaintDC dc(this);
    dc.DrawIcon(0, 0, dragIcon);
}

HCURSOR TestDialog::OnQueryDragIcon()
{
    return dragIcon;
}

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    // void OnRunBody()
    { WM_APP, 0, 0, AfxSig_vv, AFX_HANDLER(&TestDialog::OnRunBody) },
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_EN_CHANGE(1000, &TestDialog::OnChange<1000>)
    ON_EN_CHANGE(1001, &TestDialog::OnChange<1001>)
    ON_EN_CHANGE(1002, &TestDialog::OnChange<1002>)
    ON_EN_CHANGE(1003, &TestDialog::OnChange<1003>)
    ON_EN_CHANGE(1004, &TestDialog::OnChange<1004>)
    ON_EN_CHANGE(1005, &TestDialog::OnChange<1005>)
    ON_EN_CHANGE(1006, &TestDialog::OnChange<1006>)
    ON_EN_CHANGE(1007, &TestDialog::OnChange<1007>)
END_MESSAGE_MAP()

INT_PTR RunMainDialog(const std::function<void(TestDialog&)>& body)
{
    TestDialog dialog;
    dialog.body = body;
    App().m_pMainWnd = &dialog;
    INT_PTR result = dialog.DoModal();
    App().m_pMainWnd = nullptr;
    return result;
}

namespace {

Responder* g_responder = nullptr;

struct Search {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    if (window != search->owner && ::IsWindowVisible(window)
        && ::GetWindow(window, GW_OWNER) == search->owner && ClassName(window) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

Responder::Responder(HWND owner, std::function<void(HWND)> answer)
    : m_owner(owner), m_answer(std::move(answer))
{
    g_responder = this;
    m_timer = ::SetTimer(nullptr, 0, 30, &Responder::OnTimer);
}

Responder::~Responder()
{
    ::KillTimer(nullptr, m_timer);
    g_responder = nullptr;
}

void CALLBACK Responder::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    Responder* self = g_responder;
    if (!self || self->m_answered)
        return;
    Search search = { self->m_owner, nullptr };
    ::EnumThreadWindows(::GetCurrentThreadId(), FindOwned, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return;
    self->m_answered = true;
    self->m_answer(search.found);
}

std::u16string WindowText(HWND window)
{
    int length = ::GetWindowTextLengthW(window);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    int got = ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(&text[0]), length + 1);
    text.resize(static_cast<size_t>(got));
    return text;
}

std::string ClassName(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> windows;
    ::EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace support
