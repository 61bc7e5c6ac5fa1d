// Timings of Qarvel.exe under Wine, taken from another process the way the
// end-to-end driver works the dialog. Prints figures; judges nothing.
//
//   wine_bench cut QARVEL SOURCE OUTPUT START COUNT [DELETE [SETTLE_MS]]
//     One cut as a user makes it: open SOURCE with the open dialog, type
//     START and COUNT into fields 1006/1007, press save, name OUTPUT. Prints
//     "cut SECONDS CLOSED_SECONDS KIND": from posting OK in the save dialog
//     to the message box, and to the save dialog gone, and which message.
//     With the save dialog ready the driver waits SETTLE_MS, deletes the
//     file DELETE and posts OK at once (run-wine-bench.sh says why).
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

[[noreturn]] void Fail(const std::string& what)
{
    std::printf("error %s\n", what.c_str());
    std::exit(1);
}

// Polls every millisecond: remote_ui's 25 ms step is coarse next to a cut
// of 64 MiB, which takes a few tens of milliseconds.
template <class Ready>
bool WaitFine(Ready ready, double seconds)
{
    double until = Now() + seconds;
    while (!ready()) {
        if (Now() > until)
            return false;
        Sleep(1);
    }
    return true;
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

    bool Exited(DWORD ms) const { return WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0; }

    // Closes whatever is open, innermost first, then the dialog; ends the
    // process if it does not go.
    void Stop()
    {
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
    }
};

HWND WaitFileDialog(const Process& app)
{
    HWND found = nullptr;
    if (!ui::WaitUntil([&] { return (found = ui::FindFileDialog(app.info.dwProcessId)) != nullptr; }))
        Fail("no file dialog");
    return found;
}

int Cut(const std::string& qarvel, const std::string& source, const std::string& output, const std::string& start,
        const std::string& count, const char* deleteFirst, DWORD settleMs)
{
    Process app;
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

    Sleep(settleMs);
    if (deleteFirst)
        DeleteFileA(deleteFirst);
    // The timed part: from the confirmation to the message box.
    double confirmed = Now();
    ui::Click(files, IDOK);
    double closed = 0;
    HWND box = nullptr;
    bool shown = WaitFine(
        [&] {
            if (!closed && (!IsWindow(files) || !IsWindowVisible(files)))
                closed = Now();
            return (box = ui::FindMessageBox(app.info.dwProcessId)) != nullptr;
        },
        600);
    double done = Now();
    if (!shown)
        Fail("no message box within 600 s");
    std::string text = ui::TextOf(GetDlgItem(box, 0xFFFF));
    bool ok = text == TXT_CUT_DONE;
    const char* kind = ok ? "done" : text == TXT_OUT_OF_MEMORY ? "out-of-memory" : "other-message";
    std::printf("cut %.6f %.6f %s\n", done - confirmed, (closed ? closed : done) - confirmed, kind);
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
    Process app;
    double started = Now();
    if (!app.Start(exe))
        Fail("could not start " + exe);
    if (!WaitFine([&] { return VisibleDialog(app.info.dwProcessId) != nullptr; }, 30))
        Fail("no dialog from " + exe);
    double shown = Now() - started;
    app.Stop();
    return shown;
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
    if (mode == "cut" && argc >= 7 && argc <= 9)
        return Cut(argv[2], argv[3], argv[4], argv[5], argv[6], argc >= 8 ? argv[7] : nullptr,
                   argc == 9 ? static_cast<DWORD>(std::atoi(argv[8])) : 0);
    if (mode == "startup" && argc >= 4 && std::atoi(argv[2]) > 0)
        return Startup(std::atoi(argv[2]), std::vector<std::string>(argv + 3, argv + argc));
    std::printf("usage: wine_bench cut QARVEL SOURCE OUTPUT START COUNT [DELETE [SETTLE_MS]]\n"
                "       wine_bench startup RUNS EXE...\n");
    return 2;
}
