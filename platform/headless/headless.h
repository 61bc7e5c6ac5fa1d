// The headless backend's side for tests: windows whose controls live in
// memory, user actions on them, and the file dialogs and message boxes that
// the program shows, answered and recorded by the test.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/cdialog.h"
#include "platform/cwnd.h"
#include "platform/posix/file_hooks.h"

namespace headless {

struct ControlSpec {
    int id;
    std::string className;  // "EDIT", "BUTTON", "STATIC"
    bool enabled = true;
    std::string text;
};

struct MessageBoxShown {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct FileDialogShown {
    bool open;
    std::string defaultExt;
    std::string fileName;
    DWORD flags;
    std::string filter;
    HWND owner;
};

struct MessageSent {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct IconDrawn {
    int x;
    int y;
    HICON icon;
};

// One test's view of the window system, and the seams of the file half
// (posix::FileHooks) in force while it lives. Exactly one exists while the
// program's code runs; it answers every file dialog from its queue and every
// message box with IDOK.
class Session : public posix::FileHooks {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    static Session& Current();

    // What the user types into the next file dialog's name box: a full path.
    // As the real dialogs do, the default extension is added when the last
    // path component has none.
    void AnswerFileDialog(const std::string& typedPath);
    void CancelFileDialog();

    // Template controls, by template ID, for CDialog::DoModal.
    void RegisterTemplate(UINT templateId, std::vector<ControlSpec> controls);
    // Runs while a modal dialog of its own (no owner) is up, after
    // OnInitDialog; plays the user.
    std::function<void(CDialog&)> whileModal;
    // Runs when a dialog owned by another is shown ("window shown" in
    // shown); plays the user there while its loop runs.
    std::function<void(CWnd&)> whenShown;
    // Dialogs owned by another shown so far, each counted once its
    // whenShown has run; read from any thread.
    std::atomic<int> windowsShown{ 0 };

    // The clock that the layer's AfxTickCount reads: stands still unless a
    // test (or its slow disk) moves it on. A program that wants the real
    // clock sets FileHooks::clock to nullptr.
    std::atomic<ULONGLONG> nowMs{ 0 };
    void Advance(ULONGLONG ms) { nowMs += ms; }
    // Every position a progress bar was set to (PBM_SETPOS), in order.
    std::vector<int> barPositions;

    std::vector<MessageBoxShown> messageBoxes;
    std::vector<FileDialogShown> fileDialogs;
    // Everything shown, in order: "open dialog", "save dialog", "box 0x30 <text>".
    std::vector<std::string> shown;
    // File dialogs that found no answer queued (answered with cancel).
    int unansweredFileDialogs = 0;

    // The system's icon size (SM_CXICON, SM_CYICON): 32 at 100 % display
    // scale, 48 at 150 %.
    int iconSize = 32;

    // Used by the backend.
    struct Answer {
        bool ok;
        std::string path;
    };
    bool NextAnswer(Answer* answer);
    const std::vector<ControlSpec>* Template(UINT templateId) const;
    // Messages posted from any thread, and the loop's wait for them.
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool TakePosted(MessageSent* message, HWND* window, int waitMs);
    void Forget(HWND window);

private:
    std::deque<Answer> m_answers;
    std::map<UINT, std::vector<ControlSpec>> m_templates;
    std::mutex m_postedLock;
    std::condition_variable m_posted;
    std::deque<std::pair<HWND, MessageSent>> m_queue;
};

// Gives wnd a window holding these controls for the object's lifetime, as
// creating a dialog from a template would.
class Window {
public:
    Window(CWnd& wnd, const std::vector<ControlSpec>& controls);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

private:
    CWnd& m_wnd;
};

// The user types text into an empty edit control, one keystroke at a time:
// one change notification per character.
void Type(CWnd& wnd, int id, const std::string& text);
// The user replaces the control's whole text at once (a paste over a
// selection): one change notification.
void Paste(CWnd& wnd, int id, const std::string& text);
// The user clicks a button (BN_CLICKED to the window).
void Click(CWnd& wnd, int id);
// The user presses a key the dialog manager turns into a command (IDOK for
// Enter, IDCANCEL for Escape).
void Command(CWnd& wnd, int id);

std::string Text(const CWnd& wnd, int id);
bool IsWindowEnabled(const CWnd& wnd);
bool IsEnabled(const CWnd& wnd, int id);
bool HasControl(const CWnd& wnd, int id);
std::vector<int> ControlIds(const CWnd& wnd);

// The window system's side of painting and icons, as the window saw it.
void SetIconic(CWnd& wnd, bool iconic);
void SetClientSize(CWnd& wnd, int width, int height);
// Sends WM_PAINT to the window; true when a handler took it.
bool Paint(CWnd& wnd);
const std::vector<MessageSent>& MessagesSent(const CWnd& wnd);
const std::vector<IconDrawn>& IconsDrawn(const CWnd& wnd);

}  // namespace headless
