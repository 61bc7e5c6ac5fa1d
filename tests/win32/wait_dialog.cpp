// wait_dialog.exe [SECONDS]: waits until Qarvel's main dialog is on screen
// (a visible dialog box whose caption starts with "Mp3剪切工具"), then prints
// how long that took from this program's start, whether the dialog is the
// foreground window and which control has its focus. Exits 1 on timeout.
// Used by screenshot.sh to know when to take the picture.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform_types.h"

namespace {

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    wchar_t caption[64] = {};
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextW(window, caption, 64);
    if (std::string(className) == "#32770" && ::IsWindowVisible(window)
        && std::wstring(caption).rfind(L"Mp3\u526A\u5207\u5DE5\u5177", 0) == 0) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    DWORD start = ::GetTickCount();
    HWND dialog = nullptr;
    while (!dialog && ::GetTickCount() - start < seconds * 1000) {
        ::EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog)
            ::Sleep(10);
    }
    if (!dialog) {
        std::printf("no dialog after %.1f s\n", seconds);
        return 1;
    }
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &gui);
    std::printf("dialog shown after %lu ms; foreground: %s; focus on control %d\n",
                ::GetTickCount() - start, ::GetForegroundWindow() == dialog ? "yes" : "no",
                gui.hwndFocus ? ::GetDlgCtrlID(gui.hwndFocus) : 0);
    return 0;
}
