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
    // FALSE leaves the message to the dialog manager's default handling;
    // that is also what a handler's CWnd::Default() asks for.
    if (!dialog->OnWndMsg(message, wParam, lParam, &result))
        return FALSE;
    // A dialog procedure returns the cursor of WM_QUERYDRAGICON itself.
    if (message == WM_QUERYDRAGICON)
        return static_cast<INT_PTR>(result);
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

INT_PTR CDialog::DoModal()
{
    // Like MFC: without a parent, the application's main window owns the
    // dialog, unless the dialog is the main window itself.
    HWND owner = AfxOwnerWindow(m_pParentWnd, this);

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
