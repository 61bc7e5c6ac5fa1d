// Timings of Qarvel.exe under Wine, taken from another process the way the
// end-to-end driver works the dialog. Prints figures; judges nothing.
//
//   wine_bench cut QARVEL SOURCE OUTPUT START COUNT [DELETE]
//     One cut as a user makes it: open SOURCE with the open dialog, type
//     START and COUNT into fields 1006/1007, press save, name OUTPUT. Prints
//     "cut SECONDS CLOSED_SECONDS KIND": from posting OK in the save dialog
//     to the message box, and to the save dialog gone, and which message.
//     With the save dialog ready the driver deletes the file DELETE, if
//     given, and posts OK at once (run-wine-bench.sh says why).
//     Exits 0 only on the success message.
//   wine_bench startup RUNS EXE...
//     Starts each EXE RUNS times, in turns, and prints for each the median
//     time from CreateProcess to its dialog being visible, and every run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/messages.h"
#include "tests/e2e/remote_ui.h"

namespace {

constexpr int kOpenButton = 3;
constexpr int kStartByte = 1006;
constexpr int kByteCount = 1007;
constexpr int kFileNameBox = 0x47c;  // cmb13

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void StopRunning();

// Ends the run, and the program it started, so that none is left over for
// the next run.
[[noreturn]] void Fail(const std::string& what)
{
    std::printf("error %s\n", what.c_str());
    StopRunning();
    std::exit(1);
}

DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// The process's top-level dialog-class windows, shown or not. Asked by
// class rather than by enumerating every window and its owner (what
// remote_ui does), so that a look each millisecond costs the wineserver
// little: on two cores it would otherwise take the very CPU the measured
// program needs.
std::vector<HWND> DialogsOf(DWORD processId)
{
    std::vector<HWND> found;
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", nullptr); window;
         window = FindWindowExA(nullptr, window, "#32770", nullptr))
        if (ProcessOf(window) == processId)
            found.push_back(window);
    return found;
}

struct Shown {
    HWND window = nullptr;
    double at = 0;
};

// Looks each millisecond for a visible dialog of the process other than
// those in known; every(), if given, runs at each look. The window and the
// time it was first seen, or a null window when none comes in time.
template <class Every>
Shown NextDialog(DWORD processId, const std::vector<HWND>& known, double seconds, Every every)
{
    double until = Now() + seconds;
    for (;;) {
        every();
        // The progress window of a long cut is not what is waited for.
        for (HWND window : DialogsOf(processId))
            if (std::find(known.begin(), known.end(), window) == known.end() && IsWindowVisible(window)
                && !GetDlgItem(window, ui::kProgressBar))
                return {window, Now()};
        if (Now() > until)
            return {};
        Sleep(1);
    }
}

Shown NextDialog(DWORD processId, double seconds)
{
    return NextDialog(processId, {}, seconds, [] {});
}

// The visible dialog-class window of a process, or null; which one does
// not matter while only one is up.
HWND VisibleDialog(DWORD processId)
{
    for (HWND window : ui::TopLevelWindows(processId))
        if (ui::ClassOf(window) == "#32770")
            return window;
    return nullptr;
}

struct Process {
    PROCESS_INFORMATION info = {};

    bool Start(const std::string& exe)
    {
        std::string commandLine = "\"" + exe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info) != FALSE;
    }
    ~Process() { Stop(); }

    bool Exited(DWORD ms) const { return WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0; }

    // Closes whatever is open, innermost first, then the dialog; ends the
    // process if it does not go.
    void Stop()
    {
        if (!info.hProcess)
            return;
        for (int i = 0; i < 5 && !Exited(0); ++i) {
            if (HWND box = ui::FindMessageBox(info.dwProcessId))
                ui::CloseDialog(box, IDOK, 2000);
            else if (HWND files = ui::FindFileDialog(info.dwProcessId))
                ui::CloseDialog(files, IDCANCEL, 2000);
            else if (HWND dialog = VisibleDialog(info.dwProcessId))
                ui::Click(dialog, IDCANCEL);
            Exited(500);
        }
        if (!Exited(3000))
            TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        info = {};
    }
};

// The one program a run has started, if any.
Process g_running;

void StopRunning()
{
    g_running.Stop();
}

HWND WaitFileDialog(const Process& app)
{
    HWND found = nullptr;
    if (!ui::WaitUntil([&] { return (found = ui::FindFileDialog(app.info.dwProcessId)) != nullptr; }))
        Fail("no file dialog");
    return found;
}

int Cut(const std::string& qarvel, const std::string& source, const std::string& output, const std::string& start,
        const std::string& count, const char* deleteFirst)
{
    Process& app = g_running;
    if (!app.Start(qarvel))
        Fail("could not start " + qarvel);
    HWND dialog = nullptr;
    if (!ui::WaitUntil([&] { return (dialog = VisibleDialog(app.info.dwProcessId)) != nullptr; }))
        Fail("no dialog");

    ui::Click(dialog, kOpenButton);
    if (!ui::AnswerFileDialog(WaitFileDialog(app), source))
        Fail("open dialog did not take the source");
    if (!ui::Type(GetDlgItem(dialog, kStartByte), start) || !ui::Type(GetDlgItem(dialog, kByteCount), count))
        Fail("could not type the range");

    ui::Click(dialog, IDOK);
    HWND files = WaitFileDialog(app);
    HWND nameBox = GetDlgItem(files, kFileNameBox);
    if (!ui::SetText(nameBox, output) || ui::TextOf(nameBox) != output)
        Fail("save dialog did not take the name");

    if (deleteFirst)
        DeleteFileA(deleteFirst);
    // The timed part: from the confirmation to the message box.
    std::vector<HWND> known = DialogsOf(app.info.dwProcessId);
    double confirmed = Now();
    ui::Click(files, IDOK);
    double closed = 0;
    Shown box = NextDialog(app.info.dwProcessId, known, 600, [&] {
        if (!closed && !IsWindowVisible(files))
            closed = Now();
    });
    if (!box.window)
        Fail("no message box within 600 s");
    if (box.window != ui::FindMessageBox(app.info.dwProcessId))
        Fail("expected a message box, got another dialog");
    double done = box.at;
    // A program that was busy for more than 5 s counts as hung until its
    // box takes its first message, and remote_ui's reads give up on a hung
    // window at once: read again until the text comes.
    std::string text;
    ui::WaitUntil([&] { return !(text = ui::TextOf(GetDlgItem(box.window, 0xFFFF))).empty(); }, 3000);
    bool ok = text == TXT_CUT_DONE;
    const char* kind = ok ? "done" : text == TXT_OUT_OF_MEMORY ? "out-of-memory" : "other-message";
    // Any other message follows, as the program's GBK bytes, on one line.
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    std::printf("cut %.6f %.6f %s%s%s\n", done - confirmed, (closed ? closed : done) - confirmed, kind,
                ok ? "" : " ", ok ? "" : text.c_str());
    app.Stop();
    return ok ? 0 : 1;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One start: from CreateProcess to the dialog visible, then the dialog is
// closed and the process waited for, so that runs do not overlap.
double StartOnce(const std::string& exe)
{
    Process& app = g_running;
    double started = Now();
    if (!app.Start(exe))
        Fail("could not start " + exe);
    Shown dialog = NextDialog(app.info.dwProcessId, 30);
    if (!dialog.window)
        Fail("no dialog from " + exe);
    app.Stop();
    return dialog.at - started;
}

int Startup(int runs, const std::vector<std::string>& exes)
{
    // One start each first, not counted: the first start in a session
    // loads the system DLLs from disk.
    for (const std::string& exe : exes)
        StartOnce(exe);
    std::vector<std::vector<double>> times(exes.size());
    for (int r = 0; r < runs; ++r)
        for (size_t i = 0; i < exes.size(); ++i)
            times[i].push_back(StartOnce(exes[i]));
    for (size_t i = 0; i < exes.size(); ++i) {
        std::printf("startup %.6f", Median(times[i]));
        for (double t : times[i])
            std::printf(" %.6f", t);
        std::printf("\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "cut" && (argc == 7 || argc == 8))
        return Cut(argv[2], argv[3], argv[4], argv[5], argv[6], argc == 8 ? argv[7] : nullptr);
    if (mode == "startup" && argc >= 4 && std::atoi(argv[2]) > 0)
        return Startup(std::atoi(argv[2]), std::vector<std::string>(argv + 3, argv + argc));
    std::printf("usage: wine_bench cut QARVEL SOURCE OUTPUT START COUNT [DELETE]\n"
                "       wine_bench startup RUNS EXE...\n");
    return 2;
}
