// Real dialogs for the layer tests: the program's template 102 run modally
// through CDialog, with a routing table that counts what reaches it, and a
// responder that plays the user on the windows that open on top of it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/cdialog.h"
#include "platform/cwinapp.h"
#include "res/resource.h"

namespace support {

// The application object whose m_pMainWnd the layer looks at.
CWinApp& App();

class TestDialog : public CDialog {
public:
    explicit TestDialog(UINT templateId = IDD_CUTTER_DIALOG, CWnd* parent = nullptr)
        : CDialog(templateId, parent)
    {
    }

    // Runs once the dialog is shown and its message loop runs; the dialog
    // then ends with IDOK unless the body ended it.
    std::function<void(TestDialog&)> body;

    // EN_CHANGE notifications that reached the routing table, by field
    // (index 0 is control 1000).
    int changes[8] = {};
    void ResetChanges();
    int TotalChanges() const;

    // WM_PAINT: leave it to the default handling, or paint with CPaintDC.
    bool paintByDefault = true;
    int paints = 0;
    HCURSOR dragIcon = nullptr;
    bool ended = false;
    // The focus window right after the dialog manager's start-up.
    HWND focusAtStart = nullptr;

    void End(int result);

protected:
    BOOL OnInitDialog() override;
    void OnRunBody();
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    template <int id>
    void OnChange()
    {
        ++changes[id - 1000];
    }

    DECLARE_MESSAGE_MAP()
};

// Shows a TestDialog as the application's main window and returns DoModal's
// result.
INT_PTR RunMainDialog(const std::function<void(TestDialog&)>& body);

// Calls answer once with the first visible dialog box of this thread that
// is owned by owner and is not owner itself, from a timer of the nested
// modal loop that shows it. The timer ends with the object.
class Responder {
public:
    Responder(HWND owner, std::function<void(HWND)> answer);
    ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    bool Answered() const { return m_answered; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);

    HWND m_owner;
    std::function<void(HWND)> m_answer;
    UINT_PTR m_timer;
    bool m_answered = false;
};

// Window texts as UTF-16, the form the window system holds them in.
std::u16string WindowText(HWND window);
std::string ClassName(HWND window);
// Every descendant window of parent, in depth-first order.
std::vector<HWND> Descendants(HWND parent);

}  // namespace support
