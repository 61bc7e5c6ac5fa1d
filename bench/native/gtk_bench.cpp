// The native program's figures, on a display (tests/gtk/session.sh), each
// beside its baseline in turns, after the same pause:
//   start-up: qarvel, from exec to its dialog mapped on the X server,
//             beside zenity --info (a GTK 3 dialog program users know);
//   the cut:  through the real dialog (CCutterDlg on the gtk backend, in
//             this process), from the save dialog's answer to the success
//             message shown, beside dd conv=fsync copying the same bytes.
//   gtk_bench QARVEL WORK_DIR [RUNS] [PAUSE_MS] [SIZES_MIB]
// SIZES_MIB: the cuts' sizes, comma-separated (default 1,64,1024).
// Prints a table of medians.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog/cutter_dlg.h"

namespace {

using Clock = std::chrono::steady_clock;
const long long MiB = 1024 * 1024;
int g_pauseMs = 2000;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

void Pause()
{
    usleep(static_cast<useconds_t>(g_pauseMs) * 1000);
}

pid_t Spawn(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// Seconds from exec to a top-level window of the program's class (as its
// WM_CLASS names it) mapped, larger than a leader window.
double StartUp(Display* display, const std::vector<std::string>& argv, const char* windowClass)
{
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    auto started = Clock::now();
    pid_t pid = Spawn(argv);
    double seconds = -1;
    while (seconds < 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify)
            continue;
        XClassHint hint = { nullptr, nullptr };
        XWindowAttributes at;
        if (XGetClassHint(display, event.xmap.window, &hint) && hint.res_name
            && std::string(hint.res_name) == windowClass
            && XGetWindowAttributes(display, event.xmap.window, &at) && at.width > 100)
            seconds = Seconds(started, Clock::now());
        if (hint.res_name)
            XFree(hint.res_name);
        if (hint.res_class)
            XFree(hint.res_class);
    }
    XSelectInput(display, root, 0);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return seconds;
}

void MakeSource(const std::string& path, long long size)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && info.st_size == size)
        return;
    FILE* file = std::fopen(path.c_str(), "wb");
    std::vector<char> block(MiB);
    for (long long done = 0; done < size; done += MiB) {
        for (size_t i = 0; i < block.size(); i += 4096)
            block[i] = static_cast<char>(done / MiB + i);
        std::fwrite(block.data(), 1, block.size(), file);
    }
    std::fclose(file);
    // Read once, so that every run finds it in the page cache.
    std::string warm = "cat '" + path + "' >/dev/null";
    if (std::system(warm.c_str()) != 0)
        std::exit(1);
}

// The cut through the dialog: the times of the save dialog's last answer
// and of the message's showing.
struct CutTimes {
    std::string folder;
    std::string name;
    GtkWidget* chooser = nullptr;
    bool named = false;
    Clock::time_point answered;
    Clock::time_point shown;
};
CutTimes* g_cut = nullptr;

gboolean OnMap(GSignalInvocationHint*, guint, const GValue* values, gpointer)
{
    GObject* widget = G_OBJECT(g_value_get_object(&values[0]));
    if (GTK_IS_MESSAGE_DIALOG(widget)) {
        g_cut->shown = Clock::now();
        // Once its modal loop runs: an answer before that would be lost.
        g_idle_add([](gpointer box) -> gboolean {
            gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
            return G_SOURCE_REMOVE;
        }, widget);
    } else if (GTK_IS_FILE_CHOOSER_DIALOG(widget) && !g_cut->chooser) {
        // Cleared when the dialog goes.
        g_cut->chooser = GTK_WIDGET(widget);
        g_object_add_weak_pointer(widget, reinterpret_cast<gpointer*>(&g_cut->chooser));
    }
    return TRUE;
}

// Answers the save dialog, again while it stays (GTK drops an answer that
// comes while it looks the typed folder up).
gboolean AnswerSave(gpointer)
{
    GtkWidget* chooser = g_cut->chooser;
    if (!chooser || !gtk_widget_get_visible(chooser))
        return G_SOURCE_CONTINUE;
    if (!g_cut->named) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), g_cut->folder.c_str());
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), g_cut->name.c_str());
        g_cut->named = true;
    }
    g_cut->answered = Clock::now();
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    return G_SOURCE_CONTINUE;
}

class BenchDialog : public CCutterDlg {
public:
    BenchDialog(std::string source, long long size) : m_source(std::move(source)), m_size(size) {}
    BOOL OnInitDialog() override
    {
        CCutterDlg::OnInitDialog();
        g_idle_add(&BenchDialog::Play, this);
        return TRUE;
    }

private:
    static gboolean Play(gpointer self)
    {
        BenchDialog& dialog = *static_cast<BenchDialog*>(self);
        dialog.SetDlgItemText(IDC_SOURCE_PATH, dialog.m_source.c_str());
        dialog.SetDlgItemText(IDC_START_BYTE, "0");
        dialog.SetDlgItemText(IDC_BYTE_COUNT, std::to_string(dialog.m_size).c_str());
        guint answer = g_timeout_add(100, AnswerSave, nullptr);
        dialog.OnOK();
        g_source_remove(answer);
        dialog.EndDialog(IDOK);
        return G_SOURCE_REMOVE;
    }
    std::string m_source;
    long long m_size;
};

double CutThroughDialog(const std::string& folder, const std::string& source, long long size)
{
    CutTimes times;
    times.folder = folder;
    times.name = "cut.mp3";
    g_cut = &times;
    // The whole file but its last byte: the cut takes no range that reaches
    // the file's end.
    BenchDialog dialog(source, size - 1);
    dialog.DoModal();
    if (times.chooser)
        g_object_remove_weak_pointer(G_OBJECT(times.chooser), reinterpret_cast<gpointer*>(&times.chooser));
    g_cut = nullptr;
    std::string out = folder + "/cut.mp3";
    struct stat info;
    if (stat(out.c_str(), &info) != 0 || info.st_size != size - 1) {
        std::fprintf(stderr, "gtk_bench: the cut did not write %s\n", out.c_str());
        std::exit(1);
    }
    std::remove(out.c_str());
    return Seconds(times.answered, times.shown);
}

double DdCopy(const std::string& folder, const std::string& source, long long size)
{
    std::string out = folder + "/dd.mp3";
    auto started = Clock::now();
    pid_t pid = Spawn({ "dd", "if=" + source, "of=" + out, "bs=1M", "iflag=count_bytes",
                        "count=" + std::to_string(size - 1), "conv=fsync", "status=none" });
    waitpid(pid, nullptr, 0);
    double seconds = Seconds(started, Clock::now());
    std::remove(out.c_str());
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || !gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "usage, on a display: gtk_bench QARVEL WORK_DIR [RUNS] [PAUSE_MS] [SIZES_MIB]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string qarvel = argv[1];
    std::string work = argv[2];
    int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    g_pauseMs = argc > 4 ? std::atoi(argv[4]) : 2000;
    std::vector<long long> sizes;
    for (const char* at = argc > 5 ? argv[5] : "1,64,1024"; *at; at += *at == ',') {
        char* end = nullptr;
        long long mib = std::strtoll(at, &end, 10);
        if (end == at || mib <= 0)
            break;
        sizes.push_back(mib * MiB);
        at = end;
    }
    mkdir(work.c_str(), 0755);
    g_signal_add_emission_hook(g_signal_lookup("map", GTK_TYPE_WIDGET), 0, OnMap, nullptr, nullptr);

    Display* display = XOpenDisplay(nullptr);
    std::vector<double> own, zenity;
    for (int i = 0; i < runs; ++i) {
        Pause();
        own.push_back(StartUp(display, { qarvel }, "qarvel"));
        Pause();
        zenity.push_back(StartUp(display, { "zenity", "--info", "--text=Qarvel" }, "zenity"));
    }
    XCloseDisplay(display);
    std::string medians = "median of " + std::to_string(runs) + " runs";
    std::printf("%-26s %10s %12s %8s\n", medians.c_str(), "qarvel", "baseline", "ratio");
    std::printf("%-26s %9.4fs %11.4fs %7.2fx  (zenity --info)\n", "start-up to dialog shown", Median(own),
                Median(zenity), Median(own) / Median(zenity));

    for (long long size : sizes) {
        std::string source = work + "/source-" + std::to_string(size / MiB) + ".mp3";
        MakeSource(source, size);
        std::vector<double> cut, dd;
        for (int i = 0; i < runs; ++i) {
            Pause();
            cut.push_back(CutThroughDialog(work, source, size));
            Pause();
            dd.push_back(DdCopy(work, source, size));
        }
        std::string what = "cut " + std::to_string(size / MiB) + " MiB through dialog";
        std::printf("%-26s %9.4fs %11.4fs %7.2fx  (dd conv=fsync)\n", what.c_str(), Median(cut), Median(dd),
                    Median(cut) / Median(dd));
    }
    return 0;
}
