// The layer's dialog operations on a real dialog made from template 102:
// the number conventions of edit controls, the change notifications that
// every write sends through the routing table, the template as the window
// system built it, the names a screen reader gives the fields, the tab
// order, the dialog procedure's results, owners and modal results.
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog_units.h"
#include "platform/posix/dialog_number.h"
#include "platform/resources.h"
#include "tests/win32/dialog_support.h"
#include "tests/win32/harness.h"
#include "tests/win32/template_table.h"

using support::TestDialog;

namespace {

std::string RawText(HWND dialog, int id)
{
    char text[256] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Observed under Wine 8: user32's GetDlgItemInt converts with ucrtbase's
// strtol and takes an ERANGE that an earlier out-of-range text left in
// ucrtbase's errno for an overflow, so that 2147483647 and -2147483648 then
// read as 0. Windows does not do that; clearing that errno lets each row of
// the table stand on its own.
void ClearWineUcrtErrno()
{
    HMODULE ucrt = ::GetModuleHandleA("ucrtbase.dll");
    auto errnoOf = ucrt ? reinterpret_cast<int* (__cdecl*)()>(reinterpret_cast<void*>(::GetProcAddress(ucrt, "_errno"))) : nullptr;
    if (errnoOf)
        *errnoOf() = 0;
}

TEST(Dialog_GetDlgItemIntReadsSigned32BitNumbers)
{
    struct Row {
        const char* text;
        int value;
        BOOL translated;
    };
    const Row rows[] = {
        { "-25", -25, TRUE },
        { "", 0, FALSE },
        { "abc", 0, FALSE },
        { "0", 0, TRUE },
        { "400", 400, TRUE },
        { " 12", 12, TRUE },
        { "2147483647", INT_MAX, TRUE },
        { "-2147483648", INT_MIN, TRUE },
        { "2147483648", 0, FALSE },
        { "-2147483649", 0, FALSE },
        // The number ends at the first character that is not a digit.
        { "100 ", 100, TRUE },
        { "100  ", 100, TRUE },
        { "100\n", 100, TRUE },
        { "1,000", 1, TRUE },
        { "12abc", 12, TRUE },
        { "-", 0, FALSE },
    };
    // The Linux backends' own rule reads every row as Windows does.
    for (const Row& row : rows) {
        harness::Case c("posix::DialogNumber " + harness::Show(row.text));
        long long value = 0;
        bool translated = posix::DialogNumber(row.text, true, &value);
        CHECK_EQ(translated, row.translated != FALSE);
        CHECK_EQ(translated ? static_cast<int>(value) : 0, row.value);
    }
    support::RunMainDialog([&](TestDialog& dialog) {
        for (int id : { IDC_TOTAL_SECONDS, IDC_FILE_SIZE }) {
            for (const Row& row : rows) {
                harness::Case c("field " + harness::Show(id) + " " + harness::Show(row.text));
                ::SetDlgItemTextA(dialog.m_hWnd, id, row.text);
                ClearWineUcrtErrno();
                BOOL translated = -1;
                CHECK_EQ(static_cast<int>(dialog.GetDlgItemInt(id, &translated, TRUE)), row.value);
                CHECK_EQ(translated, row.translated);
                CHECK_EQ(static_cast<int>(dialog.GetDlgItemInt(id)), row.value);
            }
        }
    });
}

TEST(Dialog_SetDlgItemIntShowsSignedDecimal)
{
    struct Row {
        UINT value;
        const char* text;
    };
    const Row rows[] = {
        { 400, "400" },
        { 0, "0" },
        { 0xFFFFFFFFu, "-1" },
        { 0x80000000u, "-2147483648" },
        { 0x7FFFFFFFu, "2147483647" },
        { static_cast<UINT>(-600), "-600" },
    };
    support::RunMainDialog([&](TestDialog& dialog) {
        for (const Row& row : rows) {
            harness::Case c(harness::Show(row.value));
            dialog.SetDlgItemInt(IDC_START_BYTE, row.value, TRUE);
            CHECK_EQ(RawText(dialog.m_hWnd, IDC_START_BYTE), std::string(row.text));
        }
    });
}

// The rules of the cut form rely on this: each write runs the field's
// handler once, before the write returns, whether the field is enabled or
// not and whether the text changes or not.
TEST(Dialog_EveryWriteSendsOneChangeNotificationAtOnce)
{
    struct Write {
        const char* name;
        void (*run)(TestDialog&, int id);
    };
    const Write writes[] = {
        { "SetDlgItemText 12", [](TestDialog& d, int id) { d.SetDlgItemText(id, "12"); } },
        { "SetDlgItemText 12 again", [](TestDialog& d, int id) { d.SetDlgItemText(id, "12"); } },
        { "SetDlgItemText empty", [](TestDialog& d, int id) { d.SetDlgItemText(id, ""); } },
        { "SetDlgItemText empty again", [](TestDialog& d, int id) { d.SetDlgItemText(id, ""); } },
        { "SetDlgItemInt 400", [](TestDialog& d, int id) { d.SetDlgItemInt(id, 400, TRUE); } },
        { "SetDlgItemInt -1", [](TestDialog& d, int id) { d.SetDlgItemInt(id, 0xFFFFFFFFu, TRUE); } },
        { "SetDlgItemText path",
          [](TestDialog& d, int id) { d.SetDlgItemText(id, "C:\\\xD2\xF4\xC0\xD6\\a.mp3"); } },
    };
    support::RunMainDialog([&](TestDialog& dialog) {
        for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id) {
            for (const Write& write : writes) {
                harness::Case c("field " + harness::Show(id) + ", " + write.name);
                dialog.ResetChanges();
                write.run(dialog, id);
                CHECK_EQ(dialog.changes[id - 1000], 1);
                CHECK_EQ(dialog.TotalChanges(), 1);
            }
        }
    });
}

TEST(Dialog_TypingSendsOneChangeNotificationPerKeystroke)
{
    support::RunMainDialog([&](TestDialog& dialog) {
        HWND field = ::GetDlgItem(dialog.m_hWnd, IDC_START_SECONDS);
        dialog.ResetChanges();
        for (char c : std::string("12"))
            ::SendMessageA(field, WM_CHAR, static_cast<WPARAM>(c), 0);
        CHECK_EQ(dialog.changes[IDC_START_SECONDS - 1000], 2);
        CHECK_EQ(RawText(dialog.m_hWnd, IDC_START_SECONDS), std::string("12"));

        // A paste over the whole text: one notification.
        dialog.ResetChanges();
        ::SendMessageA(field, EM_SETSEL, 0, -1);
        ::SendMessageA(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("345"));
        CHECK_EQ(dialog.changes[IDC_START_SECONDS - 1000], 1);
        CHECK_EQ(dialog.GetDlgItemInt(IDC_START_SECONDS), 345u);
        CHECK_EQ(dialog.TotalChanges(), 1);
    });
}

TEST(Dialog_GetDlgItemTextReturnsTheWholeText)
{
    struct Row {
        std::string name;
        std::string text;
    };
    const Row rows[] = {
        { "empty", "" },
        { "one byte", "x" },
        { "255 bytes", std::string(255, 'a') },
        { "256 bytes", std::string(256, 'b') },
        { "20000 bytes", std::string(20000, 'c') },
        // Double-byte text goes through the control's UTF-16 and back.
        { "double-byte path", "C:\\\xD2\xF4\xC0\xD6\\\x81\\\xB1\xED.mp3" },
        { "1000 double-byte characters", [] {
              std::string s;
              for (int i = 0; i < 1000; ++i)
                  s += "\xD2\xF4";
              return s;
          }() },
    };
    support::RunMainDialog([&](TestDialog& dialog) {
        for (const Row& row : rows) {
            harness::Case c(row.name);
            dialog.SetDlgItemText(IDC_SOURCE_PATH, row.text.c_str());
            CString text("stale");
            int length = dialog.GetDlgItemText(IDC_SOURCE_PATH, text);
            CHECK_EQ(length, static_cast<int>(row.text.size()));
            CHECK(text.Str() == row.text);
        }
    });
}

// A device context of a window with the window's own font selected, for
// measuring text as the window draws it.
class FontDC {
public:
    explicit FontDC(HWND window)
        : m_window(window), m_dc(::GetDC(window)),
          m_old(::SelectObject(m_dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0))))
    {
    }
    ~FontDC()
    {
        ::SelectObject(m_dc, m_old);
        ::ReleaseDC(m_window, m_dc);
    }
    FontDC(const FontDC&) = delete;
    FontDC& operator=(const FontDC&) = delete;

    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
    HGDIOBJ m_old;
};

// A label or button shows its whole text, in its own font, on one line: at
// every display scale the text grows with the font and the control with the
// dialog's base units, and rounding must not cut a character off. A push
// button keeps an edge and a margin of a pixel or two on each side.
void CheckTextFits(HWND control)
{
    std::u16string text = support::WindowText(control);
    SIZE extent = {};
    ::GetTextExtentPoint32W(FontDC(control).Get(), reinterpret_cast<const wchar_t*>(text.c_str()),
                            static_cast<int>(text.size()), &extent);
    RECT client;
    ::GetClientRect(control, &client);
    int margin = support::ClassName(control) == "Button" ? 2 * (::GetSystemMetrics(SM_CXEDGE) + 1) : 0;
    CHECK(extent.cx + margin <= client.right);
    CHECK(extent.cy <= client.bottom);
    if (extent.cx + margin > client.right || extent.cy > client.bottom)
        harness::Fail(__FILE__, __LINE__,
                      "text " + harness::Show(extent.cx) + "x" + harness::Show(extent.cy) + " in a control of "
                          + harness::Show(client.right) + "x" + harness::Show(client.bottom));
}

// The base units of the dialog's font, measured as a backend that lays out
// the template itself measures them.
DialogBaseUnits MeasuredBaseUnits(HWND dialog)
{
    FontDC dc(dialog);
    SIZE letters = {};
    ::GetTextExtentPoint32A(dc.Get(), "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &letters);
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc.Get(), &metrics);
    return DialogBaseUnitsOf(letters.cx, metrics.tmHeight);
}

// The window the dialog manager made for a row of the template: by ID, and
// for the controls without one by class and text; the credit line is the
// one static whose text the table leaves free. nullptr when none is left.
HWND WindowOfRow(std::vector<HWND>* unmatched, const support::ControlRow& row)
{
    for (auto it = unmatched->begin(); it != unmatched->end(); ++it) {
        HWND child = *it;
        if (::GetDlgCtrlID(child) != row.id || _stricmp(support::ClassName(child).c_str(), row.className) != 0)
            continue;
        if (row.id == -1 && row.text && support::WindowText(child) != row.text)
            continue;
        unmatched->erase(it);
        return child;
    }
    return nullptr;
}

// Every control of the template, as the window system built it. Their
// order is the screen readers' and the tab order's: both tested below.
TEST(Dialog_ControlsAreTheTemplates)
{
    support::RunMainDialog([&](TestDialog& dialog) {
        DialogBaseUnits base = MeasuredBaseUnits(dialog.m_hWnd);
        std::vector<HWND> unmatched;
        for (HWND child = ::GetWindow(dialog.m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            unmatched.push_back(child);
        CHECK_EQ(unmatched.size(), sizeof support::kControls / sizeof support::kControls[0]);
        for (const support::ControlRow& row : support::kControls) {
            harness::Case c("control " + harness::Show(row.id) + " " + row.className
                            + (row.text ? " " + harness::Show(row.text) : std::string()));
            HWND child = WindowOfRow(&unmatched, row);
            CHECK(child != nullptr);
            if (!child)
                continue;

            // Edit controls trade WS_BORDER for WS_EX_CLIENTEDGE when they
            // are created (Windows and Wine alike); the dialog manager gives
            // every control WS_EX_NOPARENTNOTIFY.
            DWORD style = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE));
            DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(child, GWL_EXSTYLE));
            DWORD expected = row.style;
            DWORD allowedEx = WS_EX_NOPARENTNOTIFY;
            if (std::string(row.className) == "Edit") {
                allowedEx |= WS_EX_CLIENTEDGE;
                if (!(style & WS_BORDER)) {
                    expected &= ~static_cast<DWORD>(WS_BORDER);
                    CHECK(exStyle & WS_EX_CLIENTEDGE);
                }
            }
            CHECK_EQ(static_cast<unsigned long>(style), static_cast<unsigned long>(expected));
            CHECK_EQ(static_cast<unsigned long>(exStyle & ~allowedEx), 0ul);
            CHECK_EQ(::IsWindowEnabled(child) != FALSE, !(row.style & WS_DISABLED));

            // The dialog manager converts position and size each on its own.
            RECT place = { row.x, row.y, row.w, row.h };
            ::MapDialogRect(dialog.m_hWnd, &place);
            RECT actual;
            ::GetWindowRect(child, &actual);
            ::MapWindowPoints(nullptr, dialog.m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
            CHECK_EQ(actual.left, place.left);
            CHECK_EQ(actual.top, place.top);
            CHECK_EQ(actual.right - actual.left, place.right);
            CHECK_EQ(actual.bottom - actual.top, place.bottom);
            // The same rectangle from the font's own base units.
            CHECK_EQ(DialogXToPixels(row.x, base), place.left);
            CHECK_EQ(DialogYToPixels(row.y, base), place.top);
            CHECK_EQ(DialogXToPixels(row.w, base), place.right);
            CHECK_EQ(DialogYToPixels(row.h, base), place.bottom);
            if (row.style == support::kLabel || row.style == support::kButton)
                CheckTextFits(child);
        }
    });
}

// The name a screen reader gives an edit field, by the rule Microsoft
// documents for Active Accessibility, which the UI Automation proxies of
// Win32 edits follow: the text of the first static found walking
// GW_HWNDPREV from the field, unless a control with both WS_GROUP and
// WS_TABSTOP comes first. Empty when there is none.
std::u16string NameByTheLabelRule(HWND field)
{
    for (HWND at = ::GetWindow(field, GW_HWNDPREV); at; at = ::GetWindow(at, GW_HWNDPREV)) {
        if (_stricmp(support::ClassName(at).c_str(), "Static") == 0)
            return support::WindowText(at);
        DWORD style = static_cast<DWORD>(::GetWindowLongW(at, GWL_STYLE));
        if ((style & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP))
            return std::u16string();
    }
    return std::u16string();
}

TEST(Dialog_EveryFieldIsNamedByTheLabelBesideIt)
{
    struct Row {
        int id;
        const char16_t* name;
    };
    const Row rows[] = {
        { IDC_SOURCE_PATH, u"文件名：" },
        { IDC_FILE_SIZE, u"文件大小：" },
        { IDC_TOTAL_SECONDS, u"请在此输入播放完本文件需要的总秒数：" },
        { IDC_BYTES_PER_SECOND, u"每秒所占用的字节数：" },
        { IDC_START_SECONDS, u"截取从" },
        { IDC_END_SECONDS, u"秒到" },
        { IDC_START_BYTE, u"从此数据点截取[起始字节]：" },
        { IDC_BYTE_COUNT, u"截取的字节数：" },
    };
    support::RunMainDialog([&](TestDialog& dialog) {
        for (const Row& row : rows) {
            harness::Case c("field " + harness::Show(row.id));
            CHECK_EQ(NameByTheLabelRule(::GetDlgItem(dialog.m_hWnd, row.id)), std::u16string(row.name));
        }
    });
}

TEST(Dialog_FrameCaptionSizeAndPlace)
{
    support::RunMainDialog([&](TestDialog& dialog) {
        HWND window = dialog.m_hWnd;
        DWORD style = static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE));
        DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(window, GWL_EXSTYLE));
        const DWORD wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        CHECK_EQ(static_cast<unsigned long>(style & wanted), static_cast<unsigned long>(wanted));
        // Minimized yes; maximized or resized no.
        CHECK_EQ(static_cast<unsigned long>(style & (WS_MAXIMIZEBOX | WS_THICKFRAME)), 0ul);
        CHECK(exStyle & WS_EX_APPWINDOW);

        std::u16string caption = support::WindowText(window);
        std::u16string start = support::kCaptionStart;
        CHECK_EQ(caption.substr(0, start.size()), start);
        CHECK(caption.size() > start.size() + 1 && caption.back() == u']');

        // The dialog grows with the display scale: its 9-point font is
        // sized for the screen's DPI, which the run sets (96, 120, 144, 192),
        // and every rectangle is in that font's base units.
        HDC screen = ::GetDC(nullptr);
        int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        if (const char* wanted = std::getenv("QARVEL_TEST_DPI"))
            CHECK_EQ(dpi, std::atoi(wanted));
        LOGFONTW font = {};
        ::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
        CHECK_EQ(static_cast<int>(font.lfHeight), -::MulDiv(9, dpi, 72));

        RECT expected = { 0, 0, 312, 200 };
        ::MapDialogRect(window, &expected);
        RECT client;
        ::GetClientRect(window, &client);
        CHECK_EQ(client.right, expected.right);
        CHECK_EQ(client.bottom, expected.bottom);

        // No position in the template: centred on the work area.
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        RECT rect;
        ::GetWindowRect(window, &rect);
        int dx = (rect.left + rect.right) - (monitor.rcWork.left + monitor.rcWork.right);
        int dy = (rect.top + rect.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom);
        CHECK(std::abs(dx) <= 2);
        CHECK(std::abs(dy) <= 2);
        if (std::abs(dx) > 2 || std::abs(dy) > 2)
            harness::Fail(__FILE__, __LINE__,
                          "window at " + harness::Show(rect.left) + "," + harness::Show(rect.top));
    });
}

TEST(Dialog_TabOrderSkipsTheDisabledFields)
{
    const int order[] = { IDC_OPEN_SOURCE, IDC_TOTAL_SECONDS, IDC_START_SECONDS, IDC_END_SECONDS,
                          IDC_START_BYTE, IDC_BYTE_COUNT, IDOK, IDCANCEL, IDC_SOURCE_PATH };
    support::RunMainDialog([&](TestDialog& dialog) {
        HWND window = dialog.m_hWnd;
        // OnInitDialog returned TRUE: the first tab stop has the focus.
        CHECK(dialog.focusAtStart == ::GetDlgItem(window, IDC_SOURCE_PATH));
        HWND at = ::GetDlgItem(window, IDC_SOURCE_PATH);
        for (int id : order) {
            harness::Case c("after " + harness::Show(::GetDlgCtrlID(at)));
            at = ::GetNextDlgTabItem(window, at, FALSE);
            CHECK_EQ(::GetDlgCtrlID(at), id);
        }
        CHECK_EQ(::GetDlgCtrlID(::GetNextDlgTabItem(window, at, TRUE)), IDCANCEL);
        for (int id : { IDC_FILE_SIZE, IDC_BYTES_PER_SECOND }) {
            harness::Case c("field " + harness::Show(id));
            CHECK(!::IsWindowEnabled(::GetDlgItem(window, id)));
            ::SetFocus(::GetDlgItem(window, id));
            CHECK(::GetFocus() != ::GetDlgItem(window, id));
        }
    });
}

// What the layer's dialog procedure returns: TRUE for what a handler took,
// FALSE for the rest and for a handler that asked for the default handling,
// and the cursor itself for WM_QUERYDRAGICON.
TEST(Dialog_ProcedureReturnsWhatTheRoutingDecided)
{
    support::RunMainDialog([&](TestDialog& dialog) {
        dialog.dragIcon = AfxLoadIcon(IDR_MAINFRAME);
        CHECK(dialog.dragIcon != nullptr);
        DLGPROC procedure = reinterpret_cast<DLGPROC>(::GetWindowLongPtrW(dialog.m_hWnd, DWLP_DLGPROC));
        CHECK(procedure != nullptr);
        if (!procedure)
            return;
        struct Row {
            const char* name;
            UINT message;
            WPARAM wParam;
            INT_PTR result;
            int changes;
        };
        const Row rows[] = {
            { "EN_CHANGE 1002", WM_COMMAND, MAKEWPARAM(IDC_TOTAL_SECONDS, EN_CHANGE), TRUE, 1 },
            { "EN_CHANGE 1234", WM_COMMAND, MAKEWPARAM(1234, EN_CHANGE), FALSE, 0 },
            { "EN_KILLFOCUS 1002", WM_COMMAND, MAKEWPARAM(IDC_TOTAL_SECONDS, EN_KILLFOCUS), FALSE, 0 },
            { "WM_QUERYDRAGICON", WM_QUERYDRAGICON, 0, reinterpret_cast<INT_PTR>(dialog.dragIcon), 0 },
            { "WM_PAINT left to Default", WM_PAINT, 0, FALSE, 0 },
            { "WM_APP + 7", WM_APP + 7, 0, FALSE, 0 },
        };
        for (const Row& row : rows) {
            harness::Case c(row.name);
            dialog.ResetChanges();
            CHECK_EQ(static_cast<long long>(procedure(dialog.m_hWnd, row.message, row.wParam, 0)),
                     static_cast<long long>(row.result));
            CHECK_EQ(dialog.TotalChanges(), row.changes);
        }
        CHECK(reinterpret_cast<HICON>(::SendMessageA(dialog.m_hWnd, WM_QUERYDRAGICON, 0, 0))
              == dialog.dragIcon);
    });
}

// A WM_PAINT that a handler leaves to Default() or paints with CPaintDC is
// validated either way; a dialog procedure that claimed it without painting
// would leave the window invalid.
TEST(Dialog_PaintIsValidatedByDefaultAndByCPaintDC)
{
    support::RunMainDialog([&](TestDialog& dialog) {
        dialog.dragIcon = AfxLoadIcon(IDR_MAINFRAME);
        for (bool byDefault : { true, false }) {
            harness::Case c(byDefault ? "Default()" : "CPaintDC");
            dialog.paintByDefault = byDefault;
            dialog.paints = 0;
            ::InvalidateRect(dialog.m_hWnd, nullptr, TRUE);
            ::UpdateWindow(dialog.m_hWnd);
            CHECK_EQ(dialog.paints, 1);
            CHECK(!::GetUpdateRect(dialog.m_hWnd, nullptr, FALSE));
        }
    });
}

TEST(Dialog_DoModalReturnsTheEndResult)
{
    TestDialog dialog;
    dialog.body = [](TestDialog& d) { d.End(42); };
    support::App().m_pMainWnd = &dialog;
    CHECK_EQ(static_cast<long long>(dialog.DoModal()), 42ll);
    CHECK(dialog.m_hWnd == nullptr);
    support::App().m_pMainWnd = nullptr;

    TestDialog missing(9999);
    CHECK_EQ(static_cast<long long>(missing.DoModal()), -1ll);
    CHECK(missing.m_hWnd == nullptr);
}

TEST(Dialog_OwnerIsTheMainWindowUnlessItIsTheDialog)
{
    support::RunMainDialog([&](TestDialog& main) {
        CHECK(::GetWindow(main.m_hWnd, GW_OWNER) == nullptr);

        struct Seen {
            HWND owner = nullptr;
            bool mainEnabled = true;
        };
        auto inspect = [&main](Seen* seen) {
            return [&main, seen](TestDialog& inner) {
                seen->owner = ::GetWindow(inner.m_hWnd, GW_OWNER);
                seen->mainEnabled = ::IsWindowEnabled(main.m_hWnd) != FALSE;
            };
        };

        Seen byApp;
        TestDialog inner;
        inner.body = inspect(&byApp);
        inner.DoModal();
        CHECK(byApp.owner == main.m_hWnd);
        CHECK(!byApp.mainEnabled);
        CHECK(::IsWindowEnabled(main.m_hWnd));

        // An explicit parent wins, also without a main window.
        CWinApp& app = support::App();
        CWnd* saved = app.m_pMainWnd;
        app.m_pMainWnd = nullptr;
        Seen byParent;
        TestDialog child(IDD_CUTTER_DIALOG, &main);
        child.body = inspect(&byParent);
        child.DoModal();
        app.m_pMainWnd = saved;
        CHECK(byParent.owner == main.m_hWnd);
        CHECK(!byParent.mainEnabled);
    });
}

TEST(Dialog_MessageBoxIsOwnedByTheDialog)
{
    support::RunMainDialog([&](TestDialog& dialog) {
        std::u16string caption;
        std::vector<std::u16string> texts;
        bool dialogEnabled = true;
        support::Responder responder(dialog.m_hWnd, [&](HWND box) {
            caption = support::WindowText(box);
            for (HWND child : support::Descendants(box))
                texts.push_back(support::WindowText(child));
            dialogEnabled = ::IsWindowEnabled(dialog.m_hWnd) != FALSE;
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        // GBK bytes (the tests are compiled as the program is).
        int result = dialog.MessageBox("文件已经存在", "MP3剪切工具", MB_OK | MB_ICONEXCLAMATION);
        CHECK(responder.Answered());
        CHECK_EQ(result, IDOK);
        CHECK_EQ(caption, std::u16string(u"MP3剪切工具"));
        bool found = false;
        for (const std::u16string& text : texts)
            found = found || text == u"文件已经存在";
        CHECK(found);
        CHECK(!dialogEnabled);
    });
}

}  // namespace
