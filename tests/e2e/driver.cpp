// End-to-end tests of Qarvel.exe: starts the program, works its dialog from
// outside as a user would (clicks, keys, file dialogs, message boxes) and
// checks what it shows and the files it writes.
//
// Usage: e2e_driver QARVEL_EXE WORK_FOLDER [CASE...]
// WORK_FOLDER is an existing, writable folder (a Windows path); each case
// works in a subfolder of its own. With CASE names, only those run. The
// planted-DLL case takes its DLLs and control program from planted\ beside
// the driver, where the build puts them.
// Prints "PASS name" or "FAIL name: ..." per case, then "N passed, M failed";
// exits with 0 only when every case passed.
//
// The texts compared are bytes of code page 936 (this file is compiled with
// a GBK execution character set); like the program, the driver converts them
// to and from UTF-16 explicitly, so it runs on any system code page.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "remote_ui.h"

namespace {

// ---- What the program must show ------------------------------------------

const char kTitlePrefix[] = "Mp3剪切工具";
const char kCaption[] = "MP3剪切工具";
const char kOpenPrefix[] = "打开文件：\r\n";
const char kOpenFailedSuffix[] = "\r\n失败！";
const char kTargetExists[] = "文件已经存在，请重新指定。";
const char kSourcePrefix[] = "文件：\r\n";
const char kSourceMissingSuffix[] = "\r\n不存在存在，请重新指定。";
const char kStartNotInFile[] = "文件长度小于起始字节数！";
const char kRangeNotInFile[] = "文件长度小于截取的字节数！";
const char kCutDone[] = "恭喜你！新的MP3文件已经截取了，请打开听听吧，如果不对就继续剪切即可！";
// The program's own messages: for what the original checks let through, and
// for a chosen name that code page 936 cannot hold.
const char kNegativeRange[] = "起始字节数和截取的字节数都不能是负数！";
const char kWritePrefix[] = "写入文件：\r\n";
const char kNamePrefix[] = "文件名：\r\n";
const char kNameUnfitSuffix[] = "\r\n含有本程序不能使用的字符，请重新指定。";

// Controls of the common file dialog (dlgs.h).
constexpr int kFileNameBox = 0x47c;  // cmb13
constexpr int kFileTypeBox = 0x470;  // cmb1
const char kFilterName[] = "mp3歌曲文件(*.mp3)";

constexpr int kOpenButton = 3;
constexpr int kSourcePath = 1000;
constexpr int kFileSize = 1001;
constexpr int kTotalSeconds = 1002;
constexpr int kBytesPerSecond = 1003;
constexpr int kStartSeconds = 1004;
constexpr int kEndSeconds = 1005;
constexpr int kStartByte = 1006;
constexpr int kByteCount = 1007;

// ---- Showing values in failure messages -----------------------------------

// GBK bytes as quoted UTF-8 for the Unix terminal; control characters
// escaped, bytes that are not GBK as \xNN.
std::string Show(const std::string& gbk)
{
    std::string out = "\"";
    int length = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    if (length <= 0 && !gbk.empty()) {
        for (unsigned char c : gbk) {
            char hex[8];
            std::snprintf(hex, sizeof hex, c < 0x20 || c >= 0x80 ? "\\x%02X" : "%c", c);
            out += hex;
        }
        return out + "\"";
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &wide[0], length);
    for (wchar_t c : wide) {
        if (c == L'\r') {
            out += "\\r";
        } else if (c == L'\n') {
            out += "\\n";
        } else if (c == L'"') {
            out += "\\\"";
        } else if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
            out += hex;
        } else {
            char utf8[8];
            int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, utf8, sizeof utf8, nullptr, nullptr);
            out.append(utf8, static_cast<size_t>(n > 0 ? n : 0));
        }
    }
    return out + "\"";
}

std::string Show(const char* gbk) { return Show(std::string(gbk)); }
std::string Show(long long value) { return std::to_string(value); }
std::string Show(int value) { return std::to_string(value); }
std::string Show(size_t value) { return std::to_string(value); }
std::string Show(bool value) { return value ? "true" : "false"; }
std::string Show(ui::Icon icon) { return ui::NameOf(icon); }

template <class T>
std::string Show(const std::vector<T>& items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + Show(items[i]);
    return out + "]";
}

// ---- Checks ----------------------------------------------------------------

// What went wrong in the running case.
std::vector<std::string> g_problems;

// Thrown by Require: the rest of the case makes no sense without it.
struct CaseAborted {};

void Check(bool ok, const std::string& problem)
{
    if (!ok)
        g_problems.push_back(problem);
}

void Require(bool ok, const std::string& problem)
{
    if (!ok) {
        g_problems.push_back(problem);
        throw CaseAborted{};
    }
}

template <class T, class U>
void CheckEq(const std::string& what, const T& actual, const U& expected)
{
    if (!(actual == expected))
        g_problems.push_back(what + ": expected " + Show(expected) + ", got " + Show(actual));
}

// ---- Files -----------------------------------------------------------------

std::string g_qarvel;  // path of Qarvel.exe
std::string g_work;    // the run's work folder

std::string Join(const std::string& folder, const std::string& name)
{
    return folder + "\\" + name;
}

// Bytes without a short period, so that a slice taken from a wrong offset
// never equals the right one.
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<char>(state >> 16);
    }
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Require(file != INVALID_HANDLE_VALUE, "could not create test file " + Show(ui::Gbk(path)));
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    Require(ok && written == bytes.size(), "could not write test file " + Show(ui::Gbk(path)));
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    WriteBytes(ui::Wide(path), bytes);
}

bool ReadBytes(const std::string& path, std::string* bytes)
{
    HANDLE file = CreateFileW(ui::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes->append(chunk, got);
    CloseHandle(file);
    return true;
}

// The names in a folder as the file system stores them.
std::vector<std::wstring> WideFilesIn(const std::string& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(ui::Wide(Join(folder, "*")).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

// The same in code page 936 ('?' for what it cannot hold), sorted.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const std::wstring& name : WideFilesIn(folder))
        names.push_back(ui::Gbk(name));
    std::sort(names.begin(), names.end());
    return names;
}

// Names in the order FilesIn gives them (bytes, not characters).
std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// Removes the files in a folder, whatever their names.
void EmptyFolder(const std::string& folder)
{
    std::wstring wide = ui::Wide(folder);
    for (const std::wstring& file : WideFilesIn(folder))
        DeleteFileW((wide + L"\\" + file).c_str());
}

// Empties a case's folder when the case ends, however it ends, for cases
// that leave large or hidden files.
struct FolderEmptiedAtEnd {
    std::string folder;
    ~FolderEmptiedAtEnd() { EmptyFolder(folder); }
};

// A fresh, empty folder for one case.
std::string CaseFolder(const std::string& name)
{
    std::string folder = Join(g_work, name);
    std::wstring wide = ui::Wide(folder);
    CreateDirectoryW(wide.c_str(), nullptr);
    EmptyFolder(folder);
    Require(FilesIn(folder).empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES,
            "could not prepare case folder " + Show(folder));
    return folder;
}

// The output path as the program forms it: lowered as a whole (the work
// folder's name is ASCII).
std::string Formed(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return path;
}

// Checks that a file holds exactly bytes [start, start + count) of source.
void CheckSlice(const std::string& path, const std::string& source, size_t start, size_t count)
{
    std::string bytes;
    if (!ReadBytes(path, &bytes)) {
        Check(false, "expected output file " + Show(path) + ", got none");
        return;
    }
    if (bytes.size() != count) {
        Check(false, "size of " + Show(path) + ": expected " + Show(count) + ", got " + Show(bytes.size()));
        return;
    }
    std::string wanted = source.substr(start, count);
    auto diff = std::mismatch(bytes.begin(), bytes.end(), wanted.begin());
    if (diff.first != bytes.end()) {
        size_t at = static_cast<size_t>(diff.first - bytes.begin());
        Check(false, "byte " + Show(at) + " of " + Show(path) + ": expected source byte " + Show(start + at) + " (" +
                         Show(static_cast<int>(static_cast<unsigned char>(*diff.second))) + "), got " +
                         Show(static_cast<int>(static_cast<unsigned char>(*diff.first))));
    }
}

// ---- The program under test ------------------------------------------------

using Form = std::vector<std::string>;

// One run of Qarvel.exe. The destructor closes whatever the case left open
// (message boxes, file dialogs) and ends the process, so that a failed case
// leaves nothing behind for the next one.
class Product {
public:
    // The program at exe: Qarvel.exe itself unless a case runs a copy.
    explicit Product(std::string exe = g_qarvel) : m_exe(std::move(exe)) {}
    Product(const Product&) = delete;
    Product& operator=(const Product&) = delete;
    ~Product() { Stop(); }

    // The program's main dialog, once Start has found it.
    HWND dialog = nullptr;

    // Starts the program with these command-line arguments and waits for its
    // dialog.
    void Start(const std::string& arguments = "")
    {
        std::string commandLine = "\"" + m_exe + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        Require(CreateProcessA(m_exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               g_work.c_str(), &startup, &m_process) != FALSE,
                "could not start " + Show(m_exe) + ", error " + Show(static_cast<long long>(GetLastError())));
        m_started = true;
        bool shown = ui::WaitUntil([&] {
            for (HWND window : ui::TopLevelWindows(m_process.dwProcessId)) {
                if (ui::TextOf(window).rfind(kTitlePrefix, 0) == 0) {
                    dialog = window;
                    return true;
                }
            }
            return Exited(0);
        });
        Require(shown && dialog, "expected the dialog with a caption starting " + Show(kTitlePrefix) + ", got " +
                                     (Exited(0) ? "the process ended" : "no such window"));
    }

    HWND Field(int id) const { return GetDlgItem(dialog, id); }
    std::string Text(int id) const { return ui::TextOf(Field(id)); }
    DWORD Thread() const { return m_process.dwThreadId; }
    DWORD Process() const { return m_process.dwProcessId; }

    Form Fields() const
    {
        Form form;
        for (int id = kSourcePath; id <= kByteCount; ++id)
            form.push_back(Text(id));
        return form;
    }

    bool Exited(DWORD timeoutMs) const
    {
        return m_started && WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }

    // Ends the process at once, as the task manager or a crash would.
    void Kill()
    {
        TerminateProcess(m_process.hProcess, 1);
        Require(Exited(5000), "the killed process did not end within 5 s");
    }

    // The file dialog that a click or key just opened.
    HWND WaitFileDialog()
    {
        HWND found = nullptr;
        bool shown = ui::WaitUntil([&] { return (found = ui::FindFileDialog(Process())) != nullptr || Exited(0); });
        Require(shown && found, std::string("expected a file dialog, got ") +
                                    (Exited(0) ? "the process ended" : DescribeWindows()));
        return found;
    }

    ui::MessageBoxSeen WaitMessageBox()
    {
        HWND found = nullptr;
        bool shown = ui::WaitUntil([&] { return (found = ui::FindMessageBox(Process())) != nullptr || Exited(0); });
        Require(shown && found, std::string("expected a message box, got ") +
                                    (Exited(0) ? "the process ended" : DescribeWindows()));
        return ui::ReadMessageBox(found);
    }

    // A list of the process's windows for a failure message.
    std::string DescribeWindows() const
    {
        std::vector<std::string> seen;
        for (HWND window : ui::TopLevelWindows(Process())) {
            std::string what = ui::ClassOf(window) + " " + Show(ui::TextOf(window));
            HWND text = GetDlgItem(window, 0xFFFF);
            if (window != dialog && text)
                what += " saying " + Show(ui::TextOf(text));
            seen.push_back(what);
        }
        std::string out = "windows:";
        for (const std::string& s : seen)
            out += " {" + s + "}";
        return out;
    }

private:
    void Stop()
    {
        if (!m_started)
            return;
        if (!Exited(0)) {
            // Innermost first: a box over a file dialog over the main dialog.
            // Short waits: a program that does not answer is ended anyway.
            for (int i = 0; i < 5; ++i) {
                if (HWND box = ui::FindMessageBox(Process()))
                    ui::CloseDialog(box, IDOK, 2000);
                else if (HWND files = ui::FindFileDialog(Process()))
                    ui::CloseDialog(files, IDCANCEL, 2000);
                else
                    break;
            }
            if (dialog && IsWindow(dialog))
                ui::Click(dialog, IDCANCEL);
            if (!Exited(3000)) {
                TerminateProcess(m_process.hProcess, 1);
                WaitForSingleObject(m_process.hProcess, 5000);
            }
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
        m_started = false;
    }

    std::string m_exe;
    PROCESS_INFORMATION m_process = {};
    bool m_started = false;
};

// ---- Steps of a user -------------------------------------------------------

void TypeInto(Product& app, int id, const std::string& text)
{
    Require(ui::Type(app.Field(id), text),
            "field " + Show(id) + " after typing " + Show(text) + ": got " + Show(app.Text(id)));
}

// Waits for a field that a handler fills; the check follows.
std::string SettledText(Product& app, int id, const std::string& expected)
{
    ui::WaitUntil([&] { return app.Text(id) == expected; }, 2000);
    return app.Text(id);
}

void AnswerFileDialog(HWND files, const std::string& name)
{
    Require(ui::AnswerFileDialog(files, name), "file dialog did not take the name " + Show(name));
}

// Opens a source file through the open button and its file dialog.
void OpenSource(Product& app, const std::string& path)
{
    ui::Click(app.dialog, kOpenButton);
    AnswerFileDialog(app.WaitFileDialog(), path);
}

// Presses the save button and names the output in the save dialog.
void SaveAs(Product& app, const std::string& name)
{
    ui::Click(app.dialog, IDOK);
    AnswerFileDialog(app.WaitFileDialog(), name);
}

// The cut from source as a user starts it: open, type the byte range, name
// the output.
void StartCut(Product& app, const std::string& source, const char* start, const char* count,
              const std::string& saveAs)
{
    OpenSource(app, source);
    TypeInto(app, kStartByte, start);
    TypeInto(app, kByteCount, count);
    SaveAs(app, saveAs);
}

// Checks the next message box, then closes it with its OK button.
void ExpectMessage(Product& app, const std::string& text, ui::Icon icon)
{
    ui::MessageBoxSeen box = app.WaitMessageBox();
    CheckEq("message", box.text, text);
    CheckEq("message icon", box.icon, icon);
    CheckEq("message box caption", box.caption, std::string(kCaption));
    Check(box.owner == app.dialog, "message box owner: expected the dialog, got " +
                                       (box.owner ? ui::ClassOf(box.owner) + " " + Show(ui::TextOf(box.owner)) : "none"));
    CheckEq("message box buttons", box.buttons, std::vector<int>{IDOK});
    Require(ui::CloseDialog(box.window, IDOK), "message box did not close on OK");
}

// No message box comes within a while (for outcomes that must be silent).
void ExpectNoMessage(Product& app, DWORD waitMs)
{
    Sleep(waitMs);
    HWND box = ui::FindMessageBox(app.Process());
    Check(!box, "expected no message box, got one saying " + Show(box ? ui::ReadMessageBox(box).text : ""));
}

void ExpectStillOpen(Product& app)
{
    Check(!app.Exited(0) && IsWindow(app.dialog) && IsWindowVisible(app.dialog),
          "expected the dialog to stay open, got " +
              std::string(app.Exited(0) ? "the process ended" : "the dialog closed"));
}

// ---- Cases -----------------------------------------------------------------

constexpr size_t kSourceSize = 900;

// The road of a typical cut, as a user takes it: open, enter seconds, save.
void TypicalCut()
{
    std::string folder = CaseFolder("typical_cut");
    std::string source = Pattern(kSourceSize);
    std::string song = Join(folder, "song.mp3");
    WriteBytes(song, source);

    Product app;
    app.Start();
    ui::Click(app.dialog, kOpenButton);
    HWND files = app.WaitFileDialog();
    Check(GetWindow(files, GW_OWNER) == app.dialog, "expected the open dialog to be owned by the dialog, got another owner");
    Check(!IsWindowEnabled(app.dialog), "expected the dialog disabled while the open dialog shows, got enabled");
    CheckEq("open dialog's name box", ui::TextOf(GetDlgItem(files, kFileNameBox)), std::string("*.mp3"));
    CheckEq("open dialog's file type", ui::TextOf(GetDlgItem(files, kFileTypeBox)), std::string(kFilterName));
    AnswerFileDialog(files, song);
    CheckEq("field 1001 (file size)", SettledText(app, kFileSize, "900"), std::string("900"));
    CheckEq("field 1000 (source path)", app.Text(kSourcePath), song);

    TypeInto(app, kTotalSeconds, "3");
    CheckEq("field 1003 (bytes per second)", SettledText(app, kBytesPerSecond, "300"), std::string("300"));
    TypeInto(app, kStartSeconds, "1");
    TypeInto(app, kEndSeconds, "2");
    CheckEq("field 1006 (start byte)", SettledText(app, kStartByte, "300"), std::string("300"));
    CheckEq("field 1007 (byte count)", SettledText(app, kByteCount, "300"), std::string("300"));

    Form before = app.Fields();
    ui::Click(app.dialog, IDOK);
    files = app.WaitFileDialog();
    CheckEq("save dialog's name box", ui::TextOf(GetDlgItem(files, kFileNameBox)), std::string());
    CheckEq("save dialog's file type", ui::TextOf(GetDlgItem(files, kFileTypeBox)), std::string(kFilterName));
    AnswerFileDialog(files, Join(folder, "Part1"));
    ExpectMessage(app, kCutDone, ui::Icon::Information);
    ExpectStillOpen(app);
    CheckEq("form after the cut", app.Fields(), before);
    CheckEq("files in the folder", FilesIn(folder), std::vector<std::string>{"part1.mp3", "song.mp3"});
    CheckSlice(Join(folder, "part1.mp3"), source, 300, 300);
}

// Field 1003 follows every keystroke in field 1002, and keeps its value
// while 1002 reads as 0.
struct Keystroke {
    char key;
    const char* totalSeconds;    // field 1002 after the key
    const char* bytesPerSecond;  // field 1003 after it
};

const Keystroke kKeystrokes[] = {
    {'3', "3", "300"}, {'0', "30", "30"}, {'\b', "3", "300"}, {'\b', "", "300"},
    {'0', "0", "300"}, {'\b', "", "300"}, {'9', "9", "100"},
};

void RateFollowsKeystrokes()
{
    std::string folder = CaseFolder("rate_follows_each_keystroke");
    WriteBytes(Join(folder, "song.mp3"), Pattern(kSourceSize));

    Product app;
    app.Start();
    OpenSource(app, Join(folder, "song.mp3"));
    CheckEq("field 1001 (file size)", SettledText(app, kFileSize, "900"), std::string("900"));
    for (const Keystroke& k : kKeystrokes) {
        Require(ui::TypeKey(app.Field(kTotalSeconds), k.key), "field 1002 took no keystroke");
        std::string after = "after typing " + Show(std::string(1, k.key)) + ", field ";
        CheckEq(after + "1002", app.Text(kTotalSeconds), std::string(k.totalSeconds));
        CheckEq(after + "1003", SettledText(app, kBytesPerSecond, k.bytesPerSecond), std::string(k.bytesPerSecond));
    }
}

// One cut from a 900-byte source with start byte and count typed by hand.
struct CutRow {
    const char* name;
    const char* start;
    const char* count;
    const char* saveAs;   // the name typed in the save dialog
    const char* message;  // expected message
    const char* output;   // the file written, or nullptr for none
    size_t from, length;  // the slice it must hold
};

const CutRow kCutRows[] = {
    {"cut_start_at_length_refused", "900", "0", "out", kStartNotInFile, nullptr, 0, 0},
    {"cut_start_past_length_refused", "901", "", "out", kStartNotInFile, nullptr, 0, 0},
    {"cut_start_zero_accepted", "0", "10", "out", kCutDone, "out.mp3", 0, 10},
    {"cut_range_to_end_refused", "100", "800", "out", kRangeNotInFile, nullptr, 0, 0},
    {"cut_range_one_short_of_end", "100", "799", "out", kCutDone, "out.mp3", 100, 799},
    {"cut_empty_fields_make_empty_file", "", "", "out", kCutDone, "out.mp3", 0, 0},
    {"cut_negative_start_refused", "-1", "10", "out", kNegativeRange, nullptr, 0, 0},
    {"cut_negative_count_refused", "100", "-50", "out", kNegativeRange, nullptr, 0, 0},
    {"cut_wrapping_count_refused", "100", "2147483647", "out", kRangeNotInFile, nullptr, 0, 0},
    {"cut_name_lowered_no_suffix_added", "100", "200", "Clip.MP3", kCutDone, "clip.mp3", 100, 200},
    {"cut_other_extension_gets_suffix", "100", "200", "notes.wav", kCutDone, "notes.wav.mp3", 100, 200},
};

void RunCutRow(const CutRow& row)
{
    std::string folder = CaseFolder(row.name);
    std::string source = Pattern(kSourceSize);
    WriteBytes(Join(folder, "song.mp3"), source);

    Product app;
    app.Start();
    OpenSource(app, Join(folder, "song.mp3"));
    CheckEq("field 1001 (file size)", SettledText(app, kFileSize, "900"), std::string("900"));
    TypeInto(app, kStartByte, row.start);
    TypeInto(app, kByteCount, row.count);
    Form before = app.Fields();

    SaveAs(app, Join(folder, row.saveAs));
    bool done = std::string(row.message) == kCutDone;
    ExpectMessage(app, row.message, done ? ui::Icon::Information : ui::Icon::Warning);
    ExpectStillOpen(app);
    CheckEq("form after the cut", app.Fields(), before);
    std::vector<std::string> expected = {"song.mp3"};
    if (row.output)
        expected.push_back(row.output);
    CheckEq("files in the folder", FilesIn(folder), Sorted(expected));
    if (row.output)
        CheckSlice(Join(folder, row.output), source, row.from, row.length);
}

// A name already taken, before or after ".mp3" is appended: refused, the
// file there untouched.
struct TakenRow {
    const char* name;
    const char* saveAs;
    const char* taken;
};

const TakenRow kTakenRows[] = {
    {"cut_existing_target_refused", "taken", "taken.mp3"},
    {"cut_existing_target_other_case_refused", "TAKEN.mp3", "taken.mp3"},
    {"cut_existing_suffixed_target_refused", "notes.wav", "notes.wav.mp3"},
};

void RunTakenRow(const TakenRow& row)
{
    std::string folder = CaseFolder(row.name);
    WriteBytes(Join(folder, "song.mp3"), Pattern(kSourceSize));
    const std::string old = "old content";
    WriteBytes(Join(folder, row.taken), old);

    Product app;
    app.Start();
    OpenSource(app, Join(folder, "song.mp3"));
    TypeInto(app, kStartByte, "0");
    TypeInto(app, kByteCount, "10");
    Form before = app.Fields();
    SaveAs(app, Join(folder, row.saveAs));
    ExpectMessage(app, kTargetExists, ui::Icon::Warning);
    ExpectStillOpen(app);
    CheckEq("form after the refusal", app.Fields(), before);
    CheckEq("files in the folder", FilesIn(folder), Sorted({row.taken, "song.mp3"}));
    std::string now;
    Check(ReadBytes(Join(folder, row.taken), &now) && now == old,
          "expected " + Show(row.taken) + " untouched, got " + Show(now));
}

// The source path typed by hand, naming nothing or a folder.
void SourcePathRow(const char* name, bool folderExists)
{
    std::string folder = CaseFolder(name);
    std::string path = Join(folder, folderExists ? "album" : "gone.mp3");
    if (folderExists)
        CreateDirectoryW(ui::Wide(path).c_str(), nullptr);

    Product app;
    app.Start();
    Require(ui::SetText(app.Field(kSourcePath), path), "could not type the source path");
    TypeInto(app, kStartByte, "0");
    TypeInto(app, kByteCount, "10");
    Form before = app.Fields();
    SaveAs(app, Join(folder, "out"));
    if (folderExists)
        ExpectMessage(app, kOpenPrefix + path + kOpenFailedSuffix, ui::Icon::Warning);
    else
        ExpectMessage(app, kSourcePrefix + path + kSourceMissingSuffix, ui::Icon::Warning);
    ExpectStillOpen(app);
    CheckEq("form after the refusal", app.Fields(), before);
    std::vector<std::string> expected;
    if (folderExists)
        expected.push_back("album");
    CheckEq("files in the folder", FilesIn(folder), expected);
}

void SourceMissing() { SourcePathRow("cut_source_missing_refused", false); }
void SourceIsFolder() { SourcePathRow("cut_source_is_folder_refused", true); }

// No source chosen: the save dialog still comes first, then the missing
// source message with an empty path.
void CutWithoutSource()
{
    std::string folder = CaseFolder("cut_without_source_refused");
    Product app;
    app.Start();
    SaveAs(app, Join(folder, "out"));
    ExpectMessage(app, std::string(kSourcePrefix) + kSourceMissingSuffix, ui::Icon::Warning);
    CheckEq("files in the folder", FilesIn(folder), std::vector<std::string>{});
}

// A source held open exclusively by another program cannot be opened:
// field 1000 is emptied and the path is named in the warning.
void OpenLockedSource()
{
    std::string folder = CaseFolder("open_locked_source_refused");
    std::string song = Join(folder, "song.mp3");
    WriteBytes(song, Pattern(kSourceSize));
    HANDLE lock = CreateFileW(ui::Wide(song).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Require(lock != INVALID_HANDLE_VALUE, "could not hold the source open");
    struct Release {
        HANDLE file;
        ~Release() { CloseHandle(file); }
    } release{lock};

    Product app;
    app.Start();
    OpenSource(app, song);
    ExpectMessage(app, kOpenPrefix + song + kOpenFailedSuffix, ui::Icon::Warning);
    CheckEq("field 1000 (source path)", app.Text(kSourcePath), std::string());
    CheckEq("field 1001 (file size)", app.Text(kFileSize), std::string());
    ExpectStillOpen(app);
}

// Cancelling a second open leaves the first file's path and size.
void OpenCancelKeepsFields()
{
    std::string folder = CaseFolder("open_cancel_keeps_fields");
    std::string song = Join(folder, "song.mp3");
    WriteBytes(song, Pattern(kSourceSize));

    Product app;
    app.Start();
    OpenSource(app, song);
    CheckEq("field 1001 (file size)", SettledText(app, kFileSize, "900"), std::string("900"));
    Form before = app.Fields();
    ui::Click(app.dialog, kOpenButton);
    Require(ui::CloseDialog(app.WaitFileDialog(), IDCANCEL), "open dialog did not close on Cancel");
    ExpectNoMessage(app, 300);
    CheckEq("form after the cancelled open", app.Fields(), before);
}

// Enter in an edit field runs the cut (a save dialog) instead of closing.
void EnterRunsCut()
{
    Product app;
    app.Start();
    Require(ui::FocusControl(app.dialog, app.Field(kStartByte)), "could not put the focus in field 1006");
    ui::PressKey(app.Field(kStartByte), VK_RETURN);
    HWND files = app.WaitFileDialog();
    Require(ui::CloseDialog(files, IDCANCEL), "save dialog did not close on Cancel");
    ExpectNoMessage(app, 300);
    ExpectStillOpen(app);
}

// After a success the same fields cut again, started by Enter: a fresh save
// dialog, a second identical file.
void CutAgainWithEnter()
{
    std::string folder = CaseFolder("cut_again_with_enter");
    std::string source = Pattern(kSourceSize);
    WriteBytes(Join(folder, "song.mp3"), source);

    Product app;
    app.Start();
    OpenSource(app, Join(folder, "song.mp3"));
    TypeInto(app, kStartByte, "250");
    TypeInto(app, kByteCount, "5");
    SaveAs(app, Join(folder, "first"));
    ExpectMessage(app, kCutDone, ui::Icon::Information);

    Require(ui::FocusControl(app.dialog, app.Field(kByteCount)), "could not put the focus in field 1007");
    ui::PressKey(app.Field(kByteCount), VK_RETURN);
    AnswerFileDialog(app.WaitFileDialog(), Join(folder, "second"));
    ExpectMessage(app, kCutDone, ui::Icon::Information);
    CheckEq("files in the folder", FilesIn(folder),
            std::vector<std::string>{"first.mp3", "second.mp3", "song.mp3"});
    CheckSlice(Join(folder, "first.mp3"), source, 250, 5);
    CheckSlice(Join(folder, "second.mp3"), source, 250, 5);
}

// Each way of closing ends the process.
struct EndRow {
    const char* name;
    std::function<void(Product&)> close;
};

const EndRow kEndRows[] = {
    {"escape_ends_program",
     [](Product& app) {
         Require(ui::FocusControl(app.dialog, app.Field(kTotalSeconds)), "could not put the focus in field 1002");
         ui::PressKey(app.Field(kTotalSeconds), VK_ESCAPE);
     }},
    {"close_button_ends_program", [](Product& app) { ui::Click(app.dialog, IDCANCEL); }},
    {"close_box_ends_program", [](Product& app) { PostMessageA(app.dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

void RunEndRow(const EndRow& row)
{
    Product app;
    app.Start();
    row.close(app);
    Check(app.Exited(5000), "expected the process to end within 5 s, got it still running with " +
                                app.DescribeWindows());
}

const std::vector<int> kTabOrder = {kSourcePath, kOpenButton, kTotalSeconds, kStartSeconds, kEndSeconds,
                                    kStartByte, kByteCount, IDOK, IDCANCEL};

// The tab stops in order, the two computed fields disabled and skipped.
void TabOrder()
{
    Product app;
    app.Start();
    std::vector<int> walked;
    HWND at = app.Field(kSourcePath);
    for (size_t i = 0; i <= kTabOrder.size() && at; ++i) {
        walked.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(app.dialog, at, FALSE);
    }
    std::vector<int> expected = kTabOrder;
    expected.push_back(kSourcePath);
    CheckEq("tab order from field 1000", walked, expected);
    CheckEq("field 1001 enabled", IsWindowEnabled(app.Field(kFileSize)) != FALSE, false);
    CheckEq("field 1003 enabled", IsWindowEnabled(app.Field(kBytesPerSecond)) != FALSE, false);
    for (int id : kTabOrder)
        CheckEq("control " + Show(id) + " enabled", IsWindowEnabled(app.Field(id)) != FALSE, true);
}

// The Tab key itself moves the focus along the same stops.
void TabKeyWalk()
{
    Product app;
    app.Start();
    std::vector<int> visited;
    HWND focus = nullptr;
    ui::WaitUntil([&] { return (focus = ui::FocusOf(app.Thread())) != nullptr; }, 2000);
    visited.push_back(GetDlgCtrlID(focus));
    for (size_t i = 0; i < kTabOrder.size() && focus; ++i) {
        HWND from = focus;
        ui::PressKey(from, VK_TAB);
        ui::WaitUntil([&] { return (focus = ui::FocusOf(app.Thread())) != from; }, 2000);
        visited.push_back(GetDlgCtrlID(focus));
    }
    std::vector<int> expected = kTabOrder;
    expected.push_back(kSourcePath);
    CheckEq("focus from the start, then after each Tab", visited, expected);
}

// Chinese folder and file names: the path travels as GBK bytes through the
// open dialog into field 1000, and the output keeps its Chinese name when
// the path is lowered. 圖 is 0x88 0x44: a trail byte that is also 'D', which
// a byte-wise lowering would turn into 'd'.
void ChineseNames()
{
    std::string folder = Join(CaseFolder("chinese_names"), "音乐");
    Require(CreateDirectoryW(ui::Wide(folder).c_str(), nullptr) != FALSE, "could not create folder " + Show(folder));
    std::string source = Pattern(kSourceSize);
    std::string song = Join(folder, "歌曲.mp3");
    WriteBytes(song, source);

    Product app;
    app.Start();
    OpenSource(app, song);
    CheckEq("field 1001 (file size)", SettledText(app, kFileSize, "900"), std::string("900"));
    CheckEq("field 1000 (source path)", app.Text(kSourcePath), song);
    TypeInto(app, kStartByte, "123");
    TypeInto(app, kByteCount, "456");
    SaveAs(app, Join(folder, "片段圖"));
    ExpectMessage(app, kCutDone, ui::Icon::Information);
    CheckEq("files in the folder", FilesIn(folder), Sorted({"歌曲.mp3", "片段圖.mp3"}));
    CheckSlice(Join(folder, "片段圖.mp3"), source, 123, 456);
}

// Names that code page 936 cannot hold, and names whose bytes mean other
// characters in the system's code page: the same outcome on every system.
// A name from a file dialog that 936 cannot hold is refused with a message
// of its own; typed into field 1000 it reads with '?', which names no file
// that can be opened. 歌 is B8 E8: in code page 932, E8 would lead a
// double-byte character with the 'X' after it.
struct NameRow {
    const char* name;
    const wchar_t* source;  // the source file on disk
    bool typed;             // its path typed into field 1000, not opened
    const wchar_t* saveAs;  // typed into the save dialog; nullptr: no cut
    std::string (*message)(const std::string& folder);
    const char* output;     // the file written, or nullptr for none
};

const NameRow kNameRows[] = {
    {"name_beyond_936_from_open_dialog_refused", L"\uB178\uB798.mp3", false, nullptr,
     [](const std::string& folder) { return kNamePrefix + Join(folder, "??.mp3") + kNameUnfitSuffix; }, nullptr},
    {"name_beyond_936_from_save_dialog_refused", L"song.mp3", false, L"Mot\u00F6rhead",
     [](const std::string& folder) { return kNamePrefix + Join(folder, "Mot?rhead.mp3") + kNameUnfitSuffix; },
     nullptr},
    {"name_beyond_936_typed_refused", L"Mot\u00F6rhead.mp3", true, L"out",
     [](const std::string& folder) { return kOpenPrefix + Join(folder, "Mot?rhead.mp3") + kOpenFailedSuffix; },
     nullptr},
    {"name_chinese_on_any_code_page", L"\u6B4C\u66F2.mp3", false, L"\u526A\u8F91",
     [](const std::string&) { return std::string(kCutDone); }, "剪辑.mp3"},
    {"name_lowered_after_double_byte", L"song.mp3", false, L"\u6B4CX",
     [](const std::string&) { return std::string(kCutDone); }, "歌x.mp3"},
};

void RunNameRow(const NameRow& row)
{
    std::string folder = CaseFolder(row.name);
    std::wstring wideFolder = ui::Wide(folder) + L"\\";
    std::string source = Pattern(kSourceSize);
    WriteBytes(wideFolder + row.source, source);

    Product app;
    app.Start();
    if (row.typed) {
        Require(ui::SetWideText(app.Field(kSourcePath), wideFolder + row.source), "could not type the source path");
    } else {
        ui::Click(app.dialog, kOpenButton);
        Require(ui::AnswerFileDialog(app.WaitFileDialog(), wideFolder + row.source),
                "open dialog did not take the source name");
    }
    std::string message = row.message(folder);
    if (row.saveAs) {
        if (!row.typed)
            CheckEq("field 1001 (file size)", SettledText(app, kFileSize, "900"), std::string("900"));
        TypeInto(app, kStartByte, "100");
        TypeInto(app, kByteCount, "200");
        Form before = app.Fields();
        ui::Click(app.dialog, IDOK);
        Require(ui::AnswerFileDialog(app.WaitFileDialog(), wideFolder + row.saveAs),
                "save dialog did not take the output name");
        ExpectMessage(app, message, row.output ? ui::Icon::Information : ui::Icon::Warning);
        CheckEq("form after the cut", app.Fields(), before);
    } else {
        ExpectMessage(app, message, ui::Icon::Warning);
        CheckEq("form after the refusal", app.Fields(), Form(8));
    }
    std::vector<std::string> expected = {ui::Gbk(row.source)};
    if (row.output)
        expected.push_back(row.output);
    CheckEq("files in the folder", FilesIn(folder), Sorted(expected));
    if (row.output)
        CheckSlice(Join(folder, row.output), source, 100, 200);
}

// The caption shows the program's icon, resource 128: a dialog with a modal
// frame shows none unless the program gives it one.
void CaptionIcon()
{
    HMODULE module = LoadLibraryExA(g_qarvel.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Require(module != nullptr, "could not load " + Show(g_qarvel) + " as data");
    struct Unload {
        HMODULE module;
        ~Unload() { FreeLibrary(module); }
    } unload{module};
    // Loaded as the program loads it: at the system's large icon size.
    HICON icon = LoadIconA(module, MAKEINTRESOURCEA(128));
    Require(icon != nullptr, "expected icon resource 128 in the program, got none");

    Product app;
    app.Start();
    RECT window;
    GetWindowRect(app.dialog, &window);
    int captionBottom = window.top + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION);
    RECT corner = {window.left, window.top, window.left + 3 * GetSystemMetrics(SM_CXSMICON), captionBottom};
    bool shown = ui::WaitUntil([&] { return ui::ScreenShowsIcon(corner, icon, GetSystemMetrics(SM_CXSMICON)); },
                               3000);
    Check(shown, "expected the program's icon at the left of the caption, got other pixels there");
}

// At start-up every field is empty and the focus is in field 1000, whatever
// the command line says.
void StartupRow(const char* name, bool withArguments)
{
    std::string folder = CaseFolder(name);
    std::string song = Join(folder, "song.mp3");
    WriteBytes(song, Pattern(kSourceSize));

    Product app;
    app.Start(withArguments ? "\"" + song + "\" /open " + song : "");
    // The dialog is up; give a program that would read its command line
    // the moment to fill the fields.
    Sleep(300);
    CheckEq("fields at start-up", app.Fields(), Form(8));
    HWND focus = nullptr;
    ui::WaitUntil([&] { return (focus = ui::FocusOf(app.Thread())) == app.Field(kSourcePath); }, 2000);
    CheckEq("focused control at start-up", GetDlgCtrlID(focus), kSourcePath);
    ExpectNoMessage(app, 0);
}

void StartupState() { StartupRow("startup_state", false); }
void CommandLineIgnored() { StartupRow("command_line_ignored", true); }

// ---- Faults from outside the program --------------------------------------

// System DLLs that the common dialogs pull in and that are not KnownDLLs: a
// copy of each, planted beside the program, is what Windows' search finds
// first. Under Wine, with native-first overrides for them (below), the
// control program loads each of these from the planted folder. Left out,
// in both architectures, for what Wine itself does, not the program:
// version, which Wine's user32 imports at process start (Windows' does not);
// msimg32, which a delay load inside Wine's own DLLs takes from the
// program's folder although SetDefaultDllDirectories is in force (a plain
// LoadLibrary honours it); dwmapi and propsys, which Wine's file dialogs do
// not load at all, so that no check of them could fail.
const char* const kPlantedDlls[] = {"compstui", "uxtheme"};

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length < MAX_PATH ? length : 0);
    return self.substr(0, self.find_last_of('\\'));
}

void CopyInto(const std::string& from, const std::string& folder, const std::string& name)
{
    Require(CopyFileA(from.c_str(), Join(folder, name).c_str(), FALSE) != FALSE, "could not copy " + Show(from));
}

// The markers that planted DLLs left on being loaded.
std::vector<std::string> PlantedDllsLoaded(const std::string& folder)
{
    std::vector<std::string> loaded;
    for (const std::string& name : FilesIn(folder)) {
        if (name.size() > 7 && name.compare(name.size() - 7, 7, ".loaded") == 0)
            loaded.push_back(name);
    }
    return loaded;
}

// Native-first overrides for the planted names, for the programs of this
// case, while the object lives. Wine reads them per program from
// HKCU\Software\Wine\AppDefaults\<exe>\DllOverrides when the program starts;
// WINEDLLOVERRIDES set in this driver's environment does not reach the
// loader of a program it starts.
class PreferPlantedDlls {
public:
    PreferPlantedDlls()
    {
        for (const char* exe : kPlantedPrograms) {
            HKEY key = nullptr;
            std::string path = std::string(kAppDefaults) + exe + "\\DllOverrides";
            Require(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                    nullptr) == ERROR_SUCCESS,
                    "could not create " + Show(path));
            for (const char* dll : kPlantedDlls)
                RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst);
            RegCloseKey(key);
        }
    }
    ~PreferPlantedDlls()
    {
        for (const char* exe : kPlantedPrograms)
            RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kAppDefaults) + exe).c_str());
    }
    PreferPlantedDlls(const PreferPlantedDlls&) = delete;
    PreferPlantedDlls& operator=(const PreferPlantedDlls&) = delete;

private:
    static constexpr const char* kAppDefaults = "Software\\Wine\\AppDefaults\\";
    static constexpr char kNativeFirst[] = "native,builtin";
    static constexpr const char* kPlantedPrograms[] = {"Qarvel.exe", "planted_control.exe"};
};

// A copy of Qarvel.exe among planted DLLs makes a whole cut through both
// file dialogs and loads none of them; the control program, which loads
// comdlg32 without the guard, loads each of them from the same folder.
void PlantedDllsNotLoaded()
{
    std::string folder = CaseFolder("planted_dlls_not_loaded");
    std::string planted = Join(ProgramFolder(), "planted");
    for (const char* dll : kPlantedDlls)
        CopyInto(Join(planted, std::string(dll) + ".dll"), folder, std::string(dll) + ".dll");
    CopyInto(Join(planted, "planted_control.exe"), folder, "planted_control.exe");
    CopyInto(g_qarvel, folder, "Qarvel.exe");
    std::string source = Pattern(kSourceSize);
    WriteBytes(Join(folder, "song.mp3"), source);
    PreferPlantedDlls prefer;

    {
        Product app(Join(folder, "Qarvel.exe"));
        app.Start();
        StartCut(app, Join(folder, "song.mp3"), "100", "200", Join(folder, "out"));
        ExpectMessage(app, kCutDone, ui::Icon::Information);
    }
    CheckSlice(Join(folder, "out.mp3"), source, 100, 200);
    CheckEq("planted DLLs that Qarvel.exe loaded", PlantedDllsLoaded(folder), std::vector<std::string>{});

    std::string control = Join(folder, "planted_control.exe");
    std::string commandLine = "\"" + control + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    Require(CreateProcessA(control.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                           &startup, &process) != FALSE,
            "could not start the control program");
    bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Require(ended, "the control program did not end within 20 s");
    // Name by name: a planted DLL that the control does not load proves nothing.
    std::vector<std::string> expected;
    for (const char* dll : kPlantedDlls)
        expected.push_back(std::string(dll) + ".dll.loaded");
    CheckEq("planted DLLs that the control program loaded", PlantedDllsLoaded(folder), expected);
}

// The largest source and slice the checks accept; sparse, so that only the
// bytes written take room.
constexpr LONGLONG kLargestSource = 2147483647;
const char kLargestCount[] = "2147483646";

void WriteSparse(const std::string& path, const std::string& head, LONGLONG size)
{
    WriteBytes(path, head);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Require(file != INVALID_HANDLE_VALUE, "could not open " + Show(path));
    LARGE_INTEGER end;
    end.QuadPart = size;
    BOOL ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    Require(ok, "could not extend " + Show(path));
}

LONGLONG SizeOf(const WIN32_FIND_DATAA& entry)
{
    return (static_cast<LONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

// The size of the largest file in folder other than the one named except.
LONGLONG LargestOtherFile(const std::string& folder, const std::string& except)
{
    LONGLONG largest = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (entry.cFileName != except && SizeOf(entry) > largest)
            largest = SizeOf(entry);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return largest;
}

// Qarvel.exe killed while its output grows: nothing stands under the chosen
// name, only the hidden unfinished file; the next cut to that name succeeds
// beside it.
void KillDuringCut()
{
    std::string folder = CaseFolder("kill_during_cut_leaves_no_output");
    std::string song = Join(folder, "big.mp3");
    std::string head = Pattern(kSourceSize);
    WriteSparse(song, head, kLargestSource);
    std::string output = Join(folder, "killed.mp3");
    FolderEmptiedAtEnd cleanup{folder};

    {
        Product app;
        app.Start();
        StartCut(app, song, "0", kLargestCount, Join(folder, "killed"));
        bool growing = ui::WaitUntil([&] { return LargestOtherFile(folder, "big.mp3") >= (1 << 20); }, 20000);
        Require(growing, "expected the output growing in the folder, got " + Show(FilesIn(folder)));
        Require(!ui::FindMessageBox(app.Process()), "the cut ended before the kill");
        app.Kill();
    }
    CheckEq("files in the folder after the kill", FilesIn(folder),
            std::vector<std::string>{"big.mp3", "~qarvel-1.part"});
    DWORD attributes = GetFileAttributesA(Join(folder, "~qarvel-1.part").c_str());
    Check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN),
          "expected the unfinished file hidden, got attributes " + Show(static_cast<long long>(attributes)));

    Product app;
    app.Start();
    StartCut(app, song, "100", "500", Join(folder, "killed"));
    ExpectMessage(app, kCutDone, ui::Icon::Information);
    CheckEq("files in the folder after the next cut", FilesIn(folder),
            std::vector<std::string>{"big.mp3", "killed.mp3", "~qarvel-1.part"});
    CheckSlice(output, head, 100, 500);
    Check(!(GetFileAttributesA(output.c_str()) & FILE_ATTRIBUTE_HIDDEN), "expected the output visible, got it hidden");
}

// Plays a virus scanner on one file, from a thread of the driver (another
// process than the program's): opens it for reading the moment it can (the
// cut holds it exclusively while it writes), without FILE_SHARE_DELETE, as a
// scanner opens each new file once it is closed, and holds it until
// released or for holdMs.
class Scanner {
public:
    Scanner(const std::string& path, DWORD holdMs)
        : m_path(ui::Wide(path)), m_holdMs(holdMs), m_release(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        m_thread = CreateThread(nullptr, 0, &Scanner::Run, this, 0, nullptr);
        Require(m_release && m_thread, "could not start the scanner thread");
    }
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;
    ~Scanner()
    {
        Release();
        if (m_thread) {
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
        }
        if (m_release)
            CloseHandle(m_release);
    }

    bool Caught() const { return m_caught; }
    void Release() { SetEvent(m_release); }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto* scanner = static_cast<Scanner*>(self);
        // No pause between tries: a real scanner is told of the close at once.
        while (WaitForSingleObject(scanner->m_release, 0) == WAIT_TIMEOUT) {
            HANDLE file = CreateFileW(scanner->m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                continue;
            scanner->m_caught = true;
            WaitForSingleObject(scanner->m_release, scanner->m_holdMs);
            CloseHandle(file);
            break;
        }
        return 0;
    }

    std::wstring m_path;
    DWORD m_holdMs;
    HANDLE m_release;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_caught{false};
};

// Cuts while a scanner holds the unfinished file as it is closed, for
// holdMs: the rename and the removal wait about two seconds each. The
// scanner must win its race with the rename, which it does most times on an
// idle machine and less often on a busy one; a cut it missed is taken
// again.
constexpr int kScannerCuts = 20;

void ScannerRow(const char* name, DWORD holdMs)
{
    std::string folder = CaseFolder(name);
    std::string song = Join(folder, "song.mp3");
    std::string source = Pattern(kSourceSize);
    WriteBytes(song, source);
    std::string output = Join(folder, "held.mp3");
    std::string unfinished = Join(folder, "~qarvel-1.part");
    FolderEmptiedAtEnd cleanup{folder};

    Product app;
    app.Start();
    OpenSource(app, song);
    TypeInto(app, kStartByte, "100");
    TypeInto(app, kByteCount, "500");
    for (int attempt = 1; attempt <= kScannerCuts; ++attempt) {
        Scanner scanner(unfinished, holdMs);
        DWORD start = GetTickCount();
        SaveAs(app, Join(folder, "held"));
        ui::MessageBoxSeen box = app.WaitMessageBox();
        DWORD waited = GetTickCount() - start;
        scanner.Release();
        Require(ui::CloseDialog(box.window, IDOK), "message box did not close on OK");
        if (!scanner.Caught()) {
            CheckEq("message of a cut the scanner missed", box.text, std::string(kCutDone));
            DeleteFileA(output.c_str());
            continue;
        }
        if (holdMs < 1000) {
            CheckEq("message", box.text, std::string(kCutDone));
            CheckEq("files in the folder", FilesIn(folder), std::vector<std::string>{"held.mp3", "song.mp3"});
            CheckSlice(output, source, 100, 500);
            Check(waited >= holdMs / 2, "expected the cut to wait for the scanner, got the message after " +
                                            Show(static_cast<long long>(waited)) + " ms");
            return;
        }
        CheckEq("message", box.text, kWritePrefix + Formed(output) + kOpenFailedSuffix);
        CheckEq("message icon", box.icon, ui::Icon::Warning);
        CheckEq("files in the folder", FilesIn(folder), std::vector<std::string>{"song.mp3", "~qarvel-1.part"});
        DWORD attributes = GetFileAttributesA(unfinished.c_str());
        Check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN),
              "expected the unfinished file hidden, got attributes " + Show(static_cast<long long>(attributes)));
        Check(waited >= 3000 && waited < 8000,
              "expected the message after the rename's and the removal's patience (about 4 s), got " +
                  Show(static_cast<long long>(waited)) + " ms");
        return;
    }
    Check(false, "the scanner caught the unfinished file in none of " + Show(kScannerCuts) + " cuts");
}

void ScannerHoldsBriefly() { ScannerRow("scanner_hold_waited_out", 300); }
void ScannerHoldsTooLong() { ScannerRow("scanner_hold_too_long_fails", 10000); }

// ---- A long cut onto a slow stick -------------------------------------------
//
// run-e2e.sh mounts three FUSE file systems that write at 4 MB/s
// (tests/slowfs/slowfs.py) and names their parent in QARVEL_E2E_SLOW:
// "slow", "full" (fails with ENOSPC past 6 MB) and "vanishing" (whose
// daemon is killed, a stick pulled out, once the driver creates
// "pull-the-stick" beside them). Without it these cases are not run.

std::string SlowMounts()
{
    char path[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("QARVEL_E2E_SLOW", path, sizeof path);
    return length > 0 && length < sizeof path ? path : "";
}

constexpr size_t kLongSlice = 12u << 20;  // about 3 s at 4 MB/s

// A long cut from a source on the ordinary disk to mount, named "long",
// started; returns once the progress window shows.
HWND StartLongCut(Product& app, const std::string& mount, std::string* source)
{
    std::string folder = CaseFolder("long_cut_source");
    *source = Pattern(kLongSlice + 2000);
    WriteBytes(Join(folder, "song.mp3"), *source);
    app.Start();
    StartCut(app, Join(folder, "song.mp3"), "1000", std::to_string(kLongSlice).c_str(), Join(mount, "long"));
    HWND progress = nullptr;
    DWORD began = GetTickCount();
    ui::WaitUntil([&] { return (progress = ui::FindProgressWindow(app.Process())) != nullptr || app.Exited(0); });
    Require(progress, "expected the progress window, got " + app.DescribeWindows());
    DWORD after = GetTickCount() - began;
    Check(after >= 300, "expected the progress window after about half a second, got it after " + Show(static_cast<long long>(after)) + " ms");
    return progress;
}

// The dialog answers the window system within 100 ms, and Windows would not
// call it hung.
bool Answers(HWND window, DWORD* tookMs)
{
    DWORD began = GetTickCount();
    DWORD_PTR ignored = 0;
    bool answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &ignored) != 0;
    *tookMs = GetTickCount() - began;
    return answered && !IsHungAppWindow(window);
}

void LongCutShowsProgress()
{
    std::string mount = Join(SlowMounts(), "slow");
    FolderEmptiedAtEnd cleanup{mount};
    Product app;
    std::string source;
    HWND progress = StartLongCut(app, mount, &source);
    // The bar is named by the label before it, as screen readers find it.
    HWND label = GetWindow(GetDlgItem(progress, ui::kProgressBar), GW_HWNDPREV);
    CheckEq("the bar's label", ui::TextOf(label), std::string("正在保存新MP3文件："));
    std::vector<int> positions;
    DWORD worst = 0;
    while (!ui::FindMessageBox(app.Process()) && !app.Exited(0)) {
        DWORD took = 0;
        Check(Answers(app.dialog, &took), "the dialog did not answer within 100 ms");
        worst = std::max(worst, took);
        if (IsWindow(progress)) {
            // The window may go between the two calls: only its answer counts.
            Check(Answers(progress, &took) || !IsWindow(progress), "the progress window did not answer within 100 ms");
            worst = std::max(worst, took);
            int at = static_cast<int>(SendMessageA(GetDlgItem(progress, ui::kProgressBar), PBM_GETPOS, 0, 0));
            if (positions.empty() || at != positions.back())
                positions.push_back(at);
        }
        Sleep(50);
    }
    std::printf("  long cut: the dialog answered within %lu ms at worst; the bar at %s\n", worst, Show(positions).c_str());
    Check(positions.size() >= 3 && std::is_sorted(positions.begin(), positions.end()),
          "expected the bar to rise, got " + Show(positions));
    ExpectMessage(app, kCutDone, ui::Icon::Information);
    Check(!IsWindow(progress), "expected the progress window gone");
    CheckSlice(Join(mount, "long.mp3"), source, 1000, kLongSlice);
}

BOOL CALLBACK AddWindow(HWND window, LPARAM found)
{
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// Each way out stops the cut at its next piece and leaves nothing on the
// stick: the 取消 button and Escape keep the program open and silent; the
// taskbar's close and the session's end close it.
enum class WayOut { CancelButton, Escape, TaskbarClose, SessionEnd };

void LongCutStopped(WayOut way)
{
    std::string mount = Join(SlowMounts(), "slow");
    FolderEmptiedAtEnd cleanup{mount};
    Product app;
    std::string source;
    HWND progress = StartLongCut(app, mount, &source);
    Form before = app.Fields();
    switch (way) {
    case WayOut::CancelButton:
        ui::Click(progress, IDCANCEL);
        break;
    case WayOut::Escape:
        ui::PressKey(GetDlgItem(progress, IDCANCEL), VK_ESCAPE);
        break;
    case WayOut::TaskbarClose:
        PostMessageA(app.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case WayOut::SessionEnd: {
        // As Windows ends a session: every top-level window of the program
        // is asked, then told; the program may be ended once told.
        std::vector<HWND> windows;
        EnumThreadWindows(app.Thread(), AddWindow, reinterpret_cast<LPARAM>(&windows));
        DWORD_PTR answer = 0;
        for (HWND w : windows)
            SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &answer);
        for (HWND w : windows)
            SendMessageTimeoutA(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &answer);
        CheckEq("files on the stick once the session's end was told", FilesIn(mount), std::vector<std::string>{});
        app.Kill();
        return;
    }
    }
    if (way == WayOut::TaskbarClose) {
        Check(app.Exited(3000), "expected the program to end within 3 s of the close");
    } else {
        Check(ui::WaitUntil([&] { return !IsWindow(progress); }, 3000), "expected the progress window gone within 3 s");
        ExpectNoMessage(app, 500);
        ExpectStillOpen(app);
        CheckEq("form after the cancel", app.Fields(), before);
        Check(IsWindowEnabled(app.dialog), "expected the dialog enabled again");
    }
    CheckEq("files on the stick", FilesIn(mount), std::vector<std::string>{});
}

void LongCutCancelled() { LongCutStopped(WayOut::CancelButton); }
void LongCutEscaped() { LongCutStopped(WayOut::Escape); }
void LongCutClosed() { LongCutStopped(WayOut::TaskbarClose); }
void LongCutSessionEnded() { LongCutStopped(WayOut::SessionEnd); }

// The stick fills up, or is pulled out: the progress window goes, the write
// is reported failed, and the program goes on working.
void LongCutFails(const char* mountName, bool pull)
{
    std::string mount = Join(SlowMounts(), mountName);
    FolderEmptiedAtEnd cleanup{mount};
    Product app;
    std::string source;
    HWND progress = StartLongCut(app, mount, &source);
    if (pull)
        WriteBytes(Join(SlowMounts(), "pull-the-stick"), "");
    ExpectMessage(app, kWritePrefix + Formed(Join(mount, "long.mp3")) + kOpenFailedSuffix, ui::Icon::Warning);
    Check(!IsWindow(progress), "expected the progress window gone");
    ExpectStillOpen(app);
    if (!pull)
        CheckEq("files on the stick", FilesIn(mount), std::vector<std::string>{});
    // Still usable: a short cut onto the ordinary disk.
    std::string folder = CaseFolder("long_cut_after_failure");
    SaveAs(app, Join(folder, "short"));
    ExpectMessage(app, kCutDone, ui::Icon::Information);
}

void LongCutDiskFull() { LongCutFails("full", false); }
void LongCutStickPulled() { LongCutFails("vanishing", true); }

// ---- Runner ----------------------------------------------------------------

struct Case {
    std::string name;
    std::function<void()> run;
};

std::vector<Case> AllCases()
{
    std::vector<Case> cases = {
        {"typical_cut", TypicalCut},
        {"startup_state", StartupState},
        {"command_line_ignored", CommandLineIgnored},
        {"caption_icon", CaptionIcon},
        {"rate_follows_each_keystroke", RateFollowsKeystrokes},
        {"tab_order", TabOrder},
        {"tab_key_walk", TabKeyWalk},
        {"enter_runs_cut", EnterRunsCut},
        {"cut_again_with_enter", CutAgainWithEnter},
        {"chinese_names", ChineseNames},
        {"open_locked_source_refused", OpenLockedSource},
        {"open_cancel_keeps_fields", OpenCancelKeepsFields},
        {"cut_without_source_refused", CutWithoutSource},
        {"cut_source_missing_refused", SourceMissing},
        {"cut_source_is_folder_refused", SourceIsFolder},
        {"planted_dlls_not_loaded", PlantedDllsNotLoaded},
        {"kill_during_cut_leaves_no_output", KillDuringCut},
        {"scanner_hold_waited_out", ScannerHoldsBriefly},
        {"scanner_hold_too_long_fails", ScannerHoldsTooLong},
    };
    for (const CutRow& row : kCutRows)
        cases.push_back({row.name, [&row] { RunCutRow(row); }});
    for (const TakenRow& row : kTakenRows)
        cases.push_back({row.name, [&row] { RunTakenRow(row); }});
    for (const EndRow& row : kEndRows)
        cases.push_back({row.name, [&row] { RunEndRow(row); }});
    for (const NameRow& row : kNameRows)
        cases.push_back({row.name, [&row] { RunNameRow(row); }});
    if (!SlowMounts().empty()) {
        cases.push_back({"long_cut_shows_progress", LongCutShowsProgress});
        cases.push_back({"long_cut_cancelled", LongCutCancelled});
        cases.push_back({"long_cut_escaped", LongCutEscaped});
        cases.push_back({"long_cut_closed_from_the_taskbar", LongCutClosed});
        cases.push_back({"long_cut_session_ended", LongCutSessionEnded});
        cases.push_back({"long_cut_disk_full", LongCutDiskFull});
        // Last: the stick does not come back.
        cases.push_back({"long_cut_stick_pulled", LongCutStickPulled});
    }
    return cases;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 3) {
        std::printf("usage: e2e_driver QARVEL_EXE WORK_FOLDER [CASE...]\n");
        return 2;
    }
    std::printf("system code page %u\n", GetACP());
    g_qarvel = argv[1];
    g_work = argv[2];
    std::vector<std::string> wanted(argv + 3, argv + argc);

    int passed = 0;
    int failed = 0;
    for (const Case& c : AllCases()) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), c.name) == wanted.end())
            continue;
        g_problems.clear();
        try {
            c.run();
        } catch (const CaseAborted&) {
            // Already recorded.
        }
        if (g_problems.empty()) {
            ++passed;
            std::printf("PASS %s\n", c.name.c_str());
        } else {
            ++failed;
            std::string all;
            for (const std::string& problem : g_problems)
                all += (all.empty() ? "" : "; ") + problem;
            std::printf("FAIL %s: %s\n", c.name.c_str(), all.c_str());
        }
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
