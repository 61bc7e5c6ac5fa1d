// Coverage-guided fuzzing of the two commands that touch files, the
// open-source command and the cut command, on the headless backend over a
// fresh temporary folder per input. The input chooses the source (small,
// empty, or a sparse file of 2 GiB or more than 4 GiB), the texts of the
// eight fields, the answers of the file dialogs, and now and then a real
// change of the file system at the moment the command opens or reads a
// file. After every command a model of the tool's rules, written apart
// from the product, says what the user must see and what must be on disk;
// any difference ends the run with a trap, which libFuzzer reports.
#include <dirent.h>
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/cut_command.h"
#include "core/derived_values.h"
#include "core/messages.h"
#include "core/open_source.h"
#include "core/output_path.h"
#include "platform/cfile.h"
#include "platform/headless/headless.h"
#include "res/resource.h"
#include "tests/unit/file_tree.h"

namespace {

// What the command at hand was given, for the report of a failure.
std::string g_context;

std::string Escaped(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        char hex[8];
        std::snprintf(hex, sizeof hex, c < 0x20 || c >= 0x7F ? "\\x%02X" : "%c", c);
        out += hex;
    }
    return out;
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "cut_fuzzer: %s\n%s\n", what.c_str(), g_context.c_str());
    __builtin_trap();
}

void Require(bool ok, const std::string& what)
{
    if (!ok)
        Fail(what);
}

// --- the file system -------------------------------------------------------

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Lexists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// Every entry under a folder and what it holds: the whole content of files
// up to 1 MiB, the size and allocated blocks of larger (sparse) ones.
using Snapshot = std::map<std::string, std::string>;

void SnapshotInto(const std::string& root, const std::string& rel, Snapshot* out)
{
    DIR* dir = ::opendir((root + rel).c_str());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = rel + "/" + name;
        struct stat info;
        if (::lstat((root + path).c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            (*out)[path] = "folder";
            SnapshotInto(root, path, out);
        } else if (S_ISLNK(info.st_mode)) {
            char target[4096];
            ssize_t n = ::readlink((root + path).c_str(), target, sizeof target);
            (*out)[path] = "link " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
        } else if (info.st_size <= (1 << 20)) {
            (*out)[path] = "file " + ReadAll(root + path);
        } else {
            (*out)[path] = "big file " + std::to_string(info.st_size) + " " + std::to_string(info.st_blocks);
        }
    }
    ::closedir(dir);
}

class Scratch {
public:
    Scratch()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/qarvel-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        Require(::mkdtemp(name.data()) != nullptr, "cannot make a temporary folder");
        m_root = name.data();
    }
    ~Scratch() { testing_support::RemoveTree(m_root); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string Path(const std::string& name) const { return m_root + "/" + name; }
    Snapshot Take() const
    {
        Snapshot s;
        SnapshotInto(m_root, "", &s);
        return s;
    }
    // The snapshot key of a path inside the folder.
    std::string Key(const std::string& path) const { return path.substr(m_root.size()); }

private:
    std::string m_root;
};

// --- the model of the tool's rules ------------------------------------------

bool IsLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

// Code page 936 folding: A-Z of single-byte characters; a double-byte
// character (lead byte and the byte after it) stays as it is.
std::string Lowered(const std::string& s)
{
    std::string out = s;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsLead(static_cast<unsigned char>(out[i])) && i + 1 < out.size())
            ++i;
        else if (out[i] >= 'A' && out[i] <= 'Z')
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
    }
    return out;
}

bool HasMp3Suffix(const std::string& lowered)
{
    for (size_t i = 0; i < lowered.size(); ++i) {
        if (lowered.compare(i, 4, ".mp3") == 0)
            return true;
        if (IsLead(static_cast<unsigned char>(lowered[i])) && i + 1 < lowered.size())
            ++i;
    }
    return false;
}

size_t NameStart(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// What the file dialogs give back for a typed path: the default extension
// added when the last component has none (the headless dialog's rule).
std::string DialogPath(const std::string& typed)
{
    return typed.find('.', NameStart(typed)) == std::string::npos ? typed + ".mp3" : typed;
}

// The output path: on this case-sensitive file system only the file's own
// name (after the last '/', as the file system splits it) is lowered, and
// ".mp3" is appended unless the whole lowered path holds it.
std::string OutputFor(const std::string& chosen)
{
    size_t at = NameStart(chosen);
    std::string out = chosen.substr(0, at) + Lowered(chosen.substr(at));
    return HasMp3Suffix(Lowered(chosen)) ? out : out + ".mp3";
}

std::string OpenFailed(const std::string& path)
{
    return std::string(TXT_OPEN_PREFIX) + path + TXT_OPEN_FAILED_SUFFIX;
}

// The field's number as the form reads it (the window system's conversion).
int32_t Number(const CWnd& form, int id)
{
    return static_cast<int32_t>(form.GetDlgItemInt(id, nullptr, TRUE));
}

struct Prediction {
    bool cancelled = false;
    std::string warning;  // empty: the cut succeeds
    std::string output;
    bool reachesOpen = false;
    bool reachesRead = false;
    bool reachesCreate = false;
    int32_t start = 0;
    int32_t count = 0;
    std::string sourceBytes;  // of a small source
};

// How the cut must end, from the form and the file system as they are
// before it runs.
Prediction Predict(const CWnd& form, bool cancelled, const std::string& chosen)
{
    Prediction p;
    p.cancelled = cancelled;
    if (cancelled)
        return p;
    if (Lexists(chosen)) {
        p.warning = TXT_TARGET_EXISTS;
        return p;
    }
    p.output = OutputFor(chosen);
    if (p.output != chosen && Lexists(p.output)) {
        p.warning = TXT_TARGET_EXISTS;
        return p;
    }
    CString field;
    form.GetDlgItemText(IDC_SOURCE_PATH, field);
    std::string source = field.Str();
    if (!Lexists(source)) {
        p.warning = std::string(TXT_SOURCE_PREFIX) + source + TXT_SOURCE_MISSING_SUFFIX;
        return p;
    }
    p.reachesOpen = true;
    struct stat info;
    if (::stat(source.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || ::access(source.c_str(), R_OK) != 0) {
        p.warning = OpenFailed(source);
        return p;
    }
    // Both checks on signed 32-bit values, a length of 2^31 or more counting
    // as negative; then negative values and a wrapped sum are refused.
    int64_t length = info.st_size;
    int32_t length32 = length > INT32_MAX ? INT32_MIN : static_cast<int32_t>(length);
    p.start = Number(form, IDC_START_BYTE);
    p.count = Number(form, IDC_BYTE_COUNT);
    int32_t wrappedEnd = static_cast<int32_t>(static_cast<uint32_t>(p.start) + static_cast<uint32_t>(p.count));
    if (!(length32 > p.start))
        p.warning = TXT_START_NOT_IN_FILE;
    else if (!(length32 > wrappedEnd))
        p.warning = TXT_RANGE_NOT_IN_FILE;
    else if (p.start < 0 || p.count < 0)
        p.warning = TXT_NEGATIVE_RANGE;
    else if (int64_t{ p.start } + p.count >= length)
        p.warning = TXT_RANGE_NOT_IN_FILE;
    if (!p.warning.empty())
        return p;
    p.reachesRead = true;
    p.sourceBytes = ReadAll(source);
    std::string parent = p.output.substr(0, NameStart(p.output));
    bool parentIsFolder = ::stat(parent.empty() ? "." : parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    // Without the separator: a file there answers for its file system too.
    std::string parentPath = parent.size() > 1 ? parent.substr(0, parent.size() - 1) : parent.empty() ? "." : parent;
    bool parentExists = ::stat(parentPath.c_str(), &info) == 0;
    bool nameTooLong = p.output.size() - NameStart(p.output) > 255;
    // A name too long for the file system there is refused before anything
    // is created; where nothing answers for the folder, creating fails.
    p.reachesCreate = !(parentExists && nameTooLong);
    if (!parentIsFolder || nameTooLong)
        p.warning = OpenFailed(p.output);
    return p;
}

// --- what the input chooses ---------------------------------------------------

// A fault made on the real file system at one moment of the cut (shown by
// its number in failure reports).
enum class Fault {
    kNone,
    kSourceVanishesAtOpen,
    kSourceShrinksAtRead,
    kOutputAppearsAtCreate,
    // After the slice was read, before the output exists: the copy must
    // hold the bytes as they were read, or fail with a warning.
    kSourceResizedAtCreate,
};

class Run {
public:
    Run(FuzzedDataProvider& in, const Scratch& dir) : m_in(in), m_dir(dir) {}

    void SetUp();
    void Round();

private:
    std::string Name();
    std::string Folder();
    std::string SourceCandidate();
    std::string NumberText();
    std::string SaveAnswer(bool* cancel);
    void EditFields();
    void OpenSource();
    void Cut();

    std::map<int, std::string> Fields() const
    {
        std::map<int, std::string> fields;
        for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
            fields[id] = headless::Text(m_form, id);
        return fields;
    }

    FuzzedDataProvider& m_in;
    const Scratch& m_dir;
    std::string m_source;
    uint64_t m_sourceLength = 0;
    std::vector<std::string> m_outputs;  // written by earlier rounds

    headless::Session m_session;
    CWnd m_form;
    headless::Window m_window{ m_form, Controls() };

    static std::vector<headless::ControlSpec> Controls()
    {
        std::vector<headless::ControlSpec> controls;
        for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
            controls.push_back({ id, "EDIT", id != IDC_FILE_SIZE && id != IDC_BYTES_PER_SECOND, "" });
        return controls;
    }
};

// A path component of arbitrary bytes that stays inside the folder: no
// '/', no NUL, never "..". Now and then longer than the system allows.
std::string Run::Name()
{
    std::string name = m_in.ConsumeRandomLengthString(24);
    for (char& c : name) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    if (name == "..")
        name = "_..";
    if (m_in.ConsumeIntegralInRange(0, 31) == 0)
        name = std::string(256, 'n') + name;
    return name;
}

std::string Run::Folder()
{
    std::string name = Name();
    // Keeps the path's spelling unique ("a//b" and "a/./b" name "a/b").
    if (name.empty() || name == ".")
        name = "_" + name;
    return name;
}

std::string Run::SourceCandidate()
{
    switch (m_in.ConsumeIntegralInRange(0, 7)) {
    case 0: return m_source;
    case 1: return "";
    case 2: return m_dir.Path(Name());
    case 3: return m_dir.Path("album.mp3");     // a folder
    case 4: return m_dir.Path("link.mp3");      // a link to the source
    case 5: return m_dir.Path("dangling.mp3");  // a link to nothing
    case 6: return m_dir.Path("Song.mp3");      // another name here
    default: return m_outputs.empty() ? m_source : m_outputs.back();
    }
}

std::string Run::NumberText()
{
    int64_t length = static_cast<int64_t>(m_sourceLength < 70000 ? m_sourceLength : 70000);
    int64_t near = length + 2;
    switch (m_in.ConsumeIntegralInRange(0, 7)) {
    case 0: return m_in.ConsumeRandomLengthString(12);
    case 1: return "";
    case 2: return std::to_string(m_in.ConsumeIntegral<int32_t>());
    case 3: return std::to_string(INT32_MAX - m_in.ConsumeIntegralInRange<int32_t>(0, 70000));
    case 4: return " " + std::to_string(m_in.ConsumeIntegralInRange<int64_t>(-near, near));
    // Just before, at or after the end of the source: from the start byte
    // the form holds now, so a count can end right at the edge.
    case 5: {
        int64_t start = Number(m_form, IDC_START_BYTE);
        return std::to_string(length - start + m_in.ConsumeIntegralInRange(-2, 1));
    }
    default: return std::to_string(m_in.ConsumeIntegralInRange<int64_t>(-near, near));
    }
}

void Run::SetUp()
{
    m_source = m_dir.Path("song.mp3");
    switch (m_in.ConsumeIntegralInRange(0, 15)) {
    case 0: m_sourceLength = 1ull << 31; break;
    case 1: m_sourceLength = (1ull << 32) + m_in.ConsumeIntegralInRange(0, 4096); break;
    default: m_sourceLength = m_in.ConsumeIntegralInRange(0, 65535); break;
    }
    if (m_sourceLength < (1u << 16)) {
        // Every offset distinguishable from its neighbours.
        uint8_t seed = m_in.ConsumeIntegral<uint8_t>();
        std::string bytes(m_sourceLength, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 131 + (i >> 8) * 7 + seed);
        WriteAll(m_source, bytes);
    } else {
        WriteAll(m_source, "");
        Require(::truncate(m_source.c_str(), static_cast<off_t>(m_sourceLength)) == 0, "cannot size the source");
    }
    // Names the answers aim at: taken ones, one taken only once lowered or
    // suffixed, folders, links.
    WriteAll(m_dir.Path("taken.mp3"), "taken");
    WriteAll(m_dir.Path("clip.mp3"), "clip");
    WriteAll(m_dir.Path("notes.wav.mp3"), "notes");
    ::mkdir(m_dir.Path("sub").c_str(), 0755);
    ::mkdir(m_dir.Path("Sub.MP3s").c_str(), 0755);
    ::mkdir(m_dir.Path("album.mp3").c_str(), 0755);
    ::symlink("song.mp3", m_dir.Path("link.mp3").c_str());
    ::symlink("nowhere.mp3", m_dir.Path("dangling.mp3").c_str());
}

void Run::Round()
{
    m_session.messageBoxes.clear();
    m_session.fileDialogs.clear();
    m_session.shown.clear();
    if (m_in.ConsumeBool())
        OpenSource();
    if (m_in.ConsumeBool())
        EditFields();
    Cut();
}

void Run::EditFields()
{
    if (m_in.ConsumeBool())
        headless::Paste(m_form, IDC_SOURCE_PATH, SourceCandidate());
    for (int id = IDC_FILE_SIZE; id <= IDC_BYTE_COUNT; ++id) {
        if (m_in.ConsumeBool())
            headless::Paste(m_form, id, NumberText());
    }
    // The rules the dialog runs on edits of the seconds fields.
    if (m_in.ConsumeBool())
        ApplyBytesPerSecondRule(m_form);
    if (m_in.ConsumeBool())
        ApplyCutRangeRule(m_form);
}

void Run::OpenSource()
{
    bool cancel = m_in.ConsumeIntegralInRange(0, 5) == 0;
    std::string candidate = SourceCandidate();
    // An empty answer would name a file of the working folder.
    std::string chosen = DialogPath(candidate.empty() ? m_dir.Path("") : candidate);
    if (cancel)
        m_session.CancelFileDialog();
    else
        m_session.AnswerFileDialog(chosen);
    std::map<int, std::string> before = Fields();
    Snapshot disk = m_dir.Take();

    RunOpenSourceCommand(m_form);

    Require(m_session.fileDialogs.size() == 1 && m_session.fileDialogs[0].open, "open: not one open dialog");
    std::map<int, std::string> expected = before;
    std::vector<std::string> shown = { "open dialog" };
    struct stat info;
    if (cancel) {
        // nothing changes
    } else if (::stat(chosen.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        uint64_t length = static_cast<uint64_t>(info.st_size);
        expected[IDC_SOURCE_PATH] = chosen;
        expected[IDC_FILE_SIZE] = length > 0xFFFFFFFFull ? "-1" : std::to_string(static_cast<int32_t>(length));
    } else {
        expected[IDC_SOURCE_PATH] = "";
        shown.push_back("box 0x30 " + OpenFailed(chosen));
    }
    g_context = "open: answer \"" + Escaped(chosen) + "\"" + (cancel ? " (cancel)" : "");
    Require(Fields() == expected, "open: the fields are not as expected");
    Require(m_session.shown == shown, "open: the boxes shown are not as expected");
    Require(m_dir.Take() == disk, "open: the folder changed");
    m_session.messageBoxes.clear();
    m_session.fileDialogs.clear();
    m_session.shown.clear();
}

// What the user types into the save dialog; *cancel when it is cancelled.
std::string Run::SaveAnswer(bool* cancel)
{
    std::string typed;
    *cancel = false;
    switch (m_in.ConsumeIntegralInRange(0, 11)) {
    case 0: *cancel = true; break;
    case 1: typed = m_dir.Path(Name()); break;
    case 2: typed = m_dir.Path(m_in.PickValueInArray({ "taken.mp3", "Clip.MP3", "notes.wav", "Taken" })); break;
    case 3: typed = m_dir.Path(Name() + ".wav"); break;
    case 4: {
        std::string name = Name();
        for (char& c : name) {
            if (c >= 'a' && c <= 'z' && m_in.ConsumeBool())
                c = static_cast<char>(c - 'a' + 'A');
        }
        typed = m_dir.Path(name + m_in.PickValueInArray({ ".MP3", ".Mp3", "", ".WAV" }));
        break;
    }
    case 5: typed = m_dir.Path("nofolder/" + Name()); break;
    case 6: typed = m_in.PickValueInArray({ m_source, m_dir.Path("link.mp3"), m_dir.Path("dangling.mp3") }); break;
    case 7: typed = m_dir.Path(m_in.PickValueInArray({ "sub", "album.mp3", "Sub.MP3s" })); break;
    case 8: typed = m_dir.Path(m_in.PickValueInArray({ "sub/", "Sub.MP3s/", "song.mp3/" }) + Name()); break;
    case 9: {
        // A folder of the input's naming, made now or left missing.
        std::string folder = Folder();
        if (m_in.ConsumeBool())
            ::mkdir(m_dir.Path(folder).c_str(), 0755);
        typed = m_dir.Path(folder + "/" + Name());
        break;
    }
    case 10: typed = m_outputs.empty() ? m_source : m_outputs.back(); break;
    default: typed = m_dir.Path(Name()) + m_in.PickValueInArray({ ".mp3", ".mP3", ".mp3.txt", "" }); break;
    }
    return typed;
}

void Run::Cut()
{
    bool cancel;
    std::string typed = SaveAnswer(&cancel);
    std::string chosen = cancel ? "" : DialogPath(typed);

    Fault fault = Fault::kNone;
    switch (m_in.ConsumeIntegralInRange(0, 11)) {
    case 0: fault = Fault::kSourceVanishesAtOpen; break;
    case 1: fault = Fault::kSourceShrinksAtRead; break;
    case 2: fault = Fault::kOutputAppearsAtCreate; break;
    case 3: fault = Fault::kSourceResizedAtCreate; break;
    default: break;
    }
    uint32_t shrinkTo = m_in.ConsumeIntegralInRange<uint32_t>(0, 65536);
    int appearKind = m_in.ConsumeIntegralInRange(0, 3);

    if (cancel)
        m_session.CancelFileDialog();
    else
        m_session.AnswerFileDialog(chosen);
    Prediction p = Predict(m_form, cancel, chosen);
    g_context = "cut: answer \"" + Escaped(chosen) + "\"" + (cancel ? " (cancel)" : "") + ", fault " +
                std::to_string(static_cast<int>(fault)) + " (shrink to " + std::to_string(shrinkTo) +
                ", appear kind " + std::to_string(appearKind) + "), expected output \"" + Escaped(p.output) +
                "\", expected box \"" + Escaped(p.warning) + "\"";
    for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
        g_context += "\n  field " + std::to_string(id) + " \"" + Escaped(headless::Text(m_form, id)) + "\"";
    std::map<int, std::string> fields = Fields();
    Snapshot expectedDisk = m_dir.Take();

    // The hooks record every open and read, and make the chosen fault real.
    int readOpens = 0, writeOpens = 0, reads = 0;
    bool appeared = false;
    std::string createdPath;
    m_session.beforeOpen = [&](const char* path, UINT flags) {
        if (!(flags & CFile::modeWrite)) {
            if (++readOpens == 1 && fault == Fault::kSourceVanishesAtOpen) {
                ::unlink(path);
                expectedDisk = m_dir.Take();
            }
            return;
        }
        ++writeOpens;
        createdPath = path;
        if (fault == Fault::kSourceResizedAtCreate) {
            CString source;
            m_form.GetDlgItemText(IDC_SOURCE_PATH, source);
            struct stat info;
            Require(::stat(source, &info) == 0, "the source is gone");
            Require(::truncate(source, shrinkTo) == 0, "cannot resize the source");
            expectedDisk = m_dir.Take();
        }
        if (fault != Fault::kOutputAppearsAtCreate)
            return;
        // At the output's name, while the slice goes to the unfinished file.
        const char* output = p.output.c_str();
        switch (appearKind) {
        case 0: appeared = ::close(::open(output, O_WRONLY | O_CREAT | O_EXCL, 0644)) == 0; break;
        case 1: appeared = ::mkdir(output, 0755) == 0; break;
        case 2: appeared = ::symlink("victim.mp3", output) == 0; break;
        default: appeared = ::symlink("taken.mp3", output) == 0; break;
        }
        expectedDisk = m_dir.Take();
    };
    m_session.beforeRead = [&] {
        if (++reads == 1 && fault == Fault::kSourceShrinksAtRead) {
            CString source;
            m_form.GetDlgItemText(IDC_SOURCE_PATH, source);
            Require(::truncate(source, shrinkTo) == 0, "cannot shrink the source");
            expectedDisk = m_dir.Take();
        }
    };

    RunCutCommand(m_form);
    m_session.beforeOpen = nullptr;
    m_session.beforeRead = nullptr;

    // The faults change what must happen from the moment they strike.
    g_context += "\n  opens for reading " + std::to_string(readOpens) + ", reads " + std::to_string(reads) +
                 ", opens for writing " + std::to_string(writeOpens);
    Require(readOpens == (p.reachesOpen ? 1 : 0), "cut: the source was opened unexpectedly");
    if (fault == Fault::kSourceVanishesAtOpen && p.reachesOpen) {
        p.warning = OpenFailed(headless::Text(m_form, IDC_SOURCE_PATH));
        p.reachesRead = p.reachesCreate = false;
    }
    Require((reads > 0) == p.reachesRead, "cut: the source was read unexpectedly");
    // A read that comes short fails; one of no bytes cannot come short.
    if (fault == Fault::kSourceShrinksAtRead && p.reachesRead && p.count > 0 &&
        int64_t{ p.start } + p.count > int64_t{ shrinkTo }) {
        p.warning = std::string(TXT_READ_PREFIX) + headless::Text(m_form, IDC_SOURCE_PATH) + TXT_OPEN_FAILED_SUFFIX;
        p.reachesCreate = false;
    }
    Require(writeOpens == (p.reachesCreate ? 1 : 0), "cut: an output was opened unexpectedly");
    g_context += "\n  opened for writing: \"" + Escaped(createdPath) + "\"";
    Require(!p.reachesCreate || createdPath == UnfinishedPathFor(p.output.c_str(), 1).Str(),
            "cut: the unfinished file is not beside the formed path");
    if (fault == Fault::kOutputAppearsAtCreate && appeared)
        p.warning = TXT_TARGET_EXISTS;
    // A source that lost bytes of the slice after it was read may be told as
    // a failed read of the source or a failed write of the output.
    if (fault == Fault::kSourceResizedAtCreate && p.reachesCreate && m_session.shown.size() == 2) {
        std::string source = headless::Text(m_form, IDC_SOURCE_PATH);
        for (const std::string& told : { std::string(TXT_READ_PREFIX) + source + TXT_OPEN_FAILED_SUFFIX,
                                         std::string(TXT_WRITE_PREFIX) + p.output + TXT_OPEN_FAILED_SUFFIX }) {
            if (m_session.shown[1] == "box 0x30 " + told)
                p.warning = told;
        }
    }

    // What the user saw: the save dialog, then one box at most.
    Require(m_session.fileDialogs.size() == 1 && !m_session.fileDialogs[0].open, "cut: not one save dialog");
    Require(m_session.unansweredFileDialogs == 0, "cut: a dialog found no answer");
    std::vector<std::string> shown = { "save dialog" };
    if (!p.cancelled)
        shown.push_back(p.warning.empty() ? std::string("box 0x40 ") + TXT_CUT_DONE : "box 0x30 " + p.warning);
    for (const std::string& line : m_session.shown)
        g_context += "\n  shown: " + Escaped(line);
    Require(m_session.shown == shown, "cut: the boxes shown are not as expected");
    for (const headless::MessageBoxShown& box : m_session.messageBoxes)
        Require(box.caption == TXT_CAPTION && box.owner == m_form.m_hWnd, "cut: a box without caption or owner");
    Require(Fields() == fields, "cut: the form changed");

    // What is on disk: as before the cut (and its fault), plus the new file.
    if (!p.cancelled && p.warning.empty()) {
        expectedDisk[m_dir.Key(p.output)] = "file " + p.sourceBytes.substr(p.start, p.count);
        m_outputs.push_back(p.output);
    }
    Snapshot disk = m_dir.Take();
    for (const auto& entry : disk) {
        if (!expectedDisk.count(entry.first))
            g_context += "\n  appeared: " + Escaped(entry.first);
    }
    for (const auto& entry : expectedDisk) {
        if (!disk.count(entry.first))
            g_context += "\n  missing: " + Escaped(entry.first);
        else if (disk[entry.first] != entry.second)
            g_context += "\n  differs: " + Escaped(entry.first);
    }
    Require(disk == expectedDisk, "cut: the folder is not as expected");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    Scratch dir;
    Run run(in, dir);
    run.SetUp();
    for (int round = 0; round < 4 && (round == 0 || in.remaining_bytes() > 0); ++round)
        run.Round();
    return 0;
}
