// CDialog over DialogBoxParam: the dialog manager builds the window from the
// template and runs the modal loop; one dialog procedure hands every message
// to the routing tables.
#include <exception>
#include <new>
#include <vector>

#include "platform/cdialog.h"
#include "platform/cwinapp.h"
#include "platform/resources.h"
#include "res/field_labels.h"
#include "system_library.h"
#include "text_win32.h"

namespace {

// Like MFC's CenterWindow: over a visible owner, else over the work area of
// the dialog's monitor, and kept inside that work area.
void CentreWindow(HWND window)
{
    HWND owner = ::GetWindow(window, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST),
                      &monitor);
    RECT area = monitor.rcWork;
    RECT around = area;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &around);

    RECT rect;
    ::GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = (around.left + around.right) / 2 - width / 2;
    int y = (around.top + around.bottom) / 2 - height / 2;
    if (x + width > area.right)
        x = area.right - width;
    if (x < area.left)
        x = area.left;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (y < area.top)
        y = area.top;
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A template without DS_CENTER, DS_CENTERMOUSE or DS_ABSALIGN gives no
// position of its own (0, 0 is the owner's corner). As MFC does, such a
// dialog is centred once OnInitDialog has run, unless that moved it.
void PlaceDialog(HWND dialog, const RECT& before)
{
    LONG style = ::GetWindowLongW(dialog, GWL_STYLE);
    if (style & (WS_CHILD | WS_VISIBLE | DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN))
        return;
    RECT now;
    ::GetWindowRect(dialog, &now);
    if (now.left != before.left || now.top != before.top)
        return;
    CentreWindow(dialog);
}

// An exception stops here, where it would otherwise unwind through the
// window system's frames, and is shown to the user.
void ReportException(HWND window, const wchar_t* text)
{
    ::MessageBoxW(window, text, nullptr, MB_OK | MB_ICONSTOP);
}

// A screen reader names an edit field after the static text just before it
// in z-order: Active Accessibility and the UI Automation proxies walk
// GW_HWNDPREV from the field and stop at the first static (or at a control
// with both WS_GROUP and WS_TABSTOP). The template lists its tab stops
// first and its labels after them, so each label is moved just before its
// field here. The template itself stays as written: its order is the tab
// order, and the labels are no tab stops, so the move changes nothing else.
void PlaceLabelsBeforeFields(HWND window, UINT templateId)
{
    std::vector<HWND> inTemplateOrder;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        inTemplateOrder.push_back(child);
    for (const FieldLabel& pair : kFieldLabels) {
        HWND field = ::GetDlgItem(window, pair.field);
        if (pair.dialogId != static_cast<int>(templateId) || !field
            || static_cast<size_t>(pair.labelIndex) >= inTemplateOrder.size())
            continue;
        HWND label = inTemplateOrder[static_cast<size_t>(pair.labelIndex)];
        HWND before = ::GetWindow(field, GW_HWNDPREV);
        if (before == label)
            continue;
        ::SetWindowPos(label, before ? before : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

INT_PTR InitDialog(HWND window, CDialog* dialog)
{
    ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    dialog->m_hWnd = window;
    PlaceLabelsBeforeFields(window, dialog->TemplateId());
    RECT before;
    ::GetWindowRect(window, &before);
    BOOL focusFirst = dialog->OnInitDialog();
    PlaceDialog(window, before);
    return focusFirst;
}

INT_PTR RouteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Messages that come before WM_INITDIALOG (WM_SETFONT, ...) find no object.
    CDialog* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    LRESULT result = 0;
    // The taskbar's "close window" posts SC_CLOSE even to a disabled
    // window, where the default handling ignores it. A dialog disabled while
    // it follows work in its own loop (a long cut) hears it as its Cancel
    // command, as from its close box, and decides.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE && dialog->InModalLoop()
        && !::IsWindowEnabled(window)) {
        dialog->OnWndMsg(WM_COMMAND, IDCANCEL, 0, &result);
        return TRUE;
    }
    // FALSE leaves the message to the dialog manager's default handling;
    // that is also what a handler's CWnd::Default() asks for.
    if (!dialog->OnWndMsg(message, wParam, lParam, &result))
        return FALSE;
    // A dialog procedure returns the cursor of WM_QUERYDRAGICON itself;
    // other results go through DWLP_MSGRESULT (WM_QUERYENDSESSION's answer).
    if (message == WM_QUERYDRAGICON)
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        if (message == WM_INITDIALOG)
            return InitDialog(window, reinterpret_cast<CDialog*>(lParam));
        return RouteMessage(window, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        ReportException(window, L"内存不足。");
    } catch (const std::exception& e) {
        ReportException(window, win32::Wide(e.what()).c_str());
    } catch (...) {
        ReportException(window, L"未知错误。");
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

namespace {

// The progress bar's class is comctl32's, loaded from the system folder
// (system_library.h) when the first dialog owned by another is made, never
// at start-up, which it would slow. Its version 5: the classic look, as the
// manifest asks for no other.
void RegisterCommonControls()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    HMODULE library = AfxLoadSystemLibrary(L"comctl32.dll");
    auto init = library ? reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
                              reinterpret_cast<void*>(::GetProcAddress(library, "InitCommonControlsEx")))
                        : nullptr;
    INITCOMMONCONTROLSEX classes = { sizeof classes, ICC_PROGRESS_CLASS };
    if (init)
        init(&classes);
}

// The user's typing and clicks, which a disabled window must not take: the
// window that a loop follows may still hold the keyboard focus in one of
// its controls.
bool IsInputToDisabledWindow(const MSG& msg)
{
    bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
        || (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
        || (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCXBUTTONDBLCLK);
    return input && msg.hwnd && !::IsWindowEnabled(::GetAncestor(msg.hwnd, GA_ROOT));
}

}  // namespace

INT_PTR CDialog::DoModal()
{
    // Like MFC: without a parent, the application's main window owns the
    // dialog, unless the dialog is the main window itself.
    HWND owner = AfxOwnerWindow(m_pParentWnd, this);
    if (owner)
        RegisterCommonControls();

    // A Unicode dialog makes Unicode controls: the template's UTF-16 texts
    // show as they are, whatever the system's code page.
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEA(m_templateId), RT_DIALOG);
    INT_PTR result = ::DialogBoxParamW(module, MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

void CDialog::EndDialog(int result)
{
    ::EndDialog(m_hWnd, result);
}

// As a modal dialog's loop: keys go to the active dialog's own handling
// (Tab, Enter, Escape), the rest is dispatched.
void CWnd::LoopUntilEnded()
{
    MSG msg;
    while (!m_modalEnded) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
            break;
        }
        if (IsInputToDisabledWindow(msg))
            continue;
        HWND active = ::GetActiveWindow();
        if (active && ::IsDialogMessageW(active, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void CWnd::EndModalLoop(int result)
{
    m_modalResult = result;
    m_modalEnded = true;
    // Wakes the loop, which may be waiting for a message.
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}
