// Working another process's windows from outside, the way a user would:
// find them, read and type text, click, press keys, answer file dialogs and
// read message boxes. Written for Wine 8 with a virtual desktop; the notes
// record what works there across processes and what does not.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// Every wait polls this often, up to this long.
constexpr DWORD kPollMs = 25;
constexpr DWORD kTimeoutMs = 10000;

// Polls until ready() is true; false when the time runs out.
template <class Ready>
bool WaitUntil(Ready ready, DWORD timeoutMs = kTimeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

// The visible top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD processId);
std::string ClassOf(HWND window);
// Texts are bytes of code page 936, as the program's own; they cross to
// the window system in UTF-16, converted explicitly whatever the system's
// code page. A character that 936 cannot hold reads as '?'.
std::wstring Wide(const std::string& gbk);
std::string Gbk(const std::wstring& wide);
// The text by WM_GETTEXT: GetWindowText answers "" for another process's
// edit fields.
std::wstring WideTextOf(HWND window);
std::string TextOf(HWND window);
bool SetWideText(HWND window, const std::wstring& text);
bool SetText(HWND window, const std::string& text);
// Replaces an edit field's content by typing: select all, then one WM_CHAR
// per byte (ASCII only), so that the field notifies its change as it does
// for a user.
bool Type(HWND edit, const std::string& text);
// One keystroke into an edit field at its caret: a character, or '\b'.
bool TypeKey(HWND edit, char key);
// The window that has the keyboard focus in the given thread.
HWND FocusOf(DWORD threadId);
// Moves the focus inside a dialog; SetFocus does not reach another
// process's windows, the dialog's own WM_NEXTDLGCTL does.
bool FocusControl(HWND dialog, HWND control);

// A button click, posted: a handler that opens a modal window would keep a
// sent message from returning.
void Click(HWND dialog, int id);
// A key pressed and released on the focused control, posted to its queue,
// where the dialog manager sees it as it sees typed keys.
void PressKey(HWND focused, UINT virtualKey);

enum class Icon { None, Warning, Information, Error, Question, Unknown };
const char* NameOf(Icon icon);

struct MessageBoxSeen {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    Icon icon = Icon::None;
    std::vector<int> buttons;  // IDs of the visible buttons
};

// A common file dialog (explorer style, the name box is cmb13) of the
// process, or null.
HWND FindFileDialog(DWORD processId);
// A message box of the process (its text is the static with ID 0xFFFF),
// or null.
HWND FindMessageBox(DWORD processId);
MessageBoxSeen ReadMessageBox(HWND box);
// The progress window of a long cut (the dialog holding the progress bar,
// kProgressBar), once it shows, or null.
constexpr int kProgressBar = 1010;
HWND FindProgressWindow(DWORD processId);
// Which system icon the icon control shows, told by its pixels on the
// screen. Its HICON is no use: another process's icon handles cannot be
// read (GetIconInfo fails), and its copy of a system icon has another
// handle than ours.
Icon IconShown(HWND iconControl);

// Whether icon, drawn at size x size pixels as window captions draw it, is
// on the screen somewhere inside area. For the caption of another
// process's window, where WM_GETICON answers 0 (and GCL_HICON too).
bool ScreenShowsIcon(const RECT& area, HICON icon, int size);

// Puts name into a file dialog's name box and confirms it with OK.
bool AnswerFileDialog(HWND dialog, const std::wstring& name);
bool AnswerFileDialog(HWND dialog, const std::string& name);
// Posts a command to a dialog (IDOK, IDCANCEL) and waits for it to close.
bool CloseDialog(HWND dialog, int command, DWORD timeoutMs = kTimeoutMs);

}  // namespace ui
