// The cut command against real files: what is written, every message with
// its bytes and icon, the order of the checks, and what is left on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/cut_command.h"
#include "core/cut_form.h"
#include "core/messages.h"
#include "test_support.h"

namespace {

using testing_support::FormTest;
using testing_support::MakeSparseFile;
using testing_support::PathExists;
using testing_support::PatternBytes;
using testing_support::ReadFile;
using testing_support::WriteFile;

class CutCommand : public FormTest {
protected:
    std::string source = dir.Path("song.mp3");
    std::string sourceBytes = PatternBytes(900);

    // With QARVEL_TEST_SOURCE_TMPDIR, the source's bytes live in a folder
    // there, on another file system, behind a link at the same path: the
    // slice then crosses from one file system to the other.
    std::unique_ptr<testing_support::TempDir> elsewhere;

    void SetUp() override
    {
        const char* base = std::getenv("QARVEL_TEST_SOURCE_TMPDIR");
        if (base && *base) {
            elsewhere = std::make_unique<testing_support::TempDir>(base);
            WriteFile(elsewhere->Path("song.mp3"), sourceBytes);
            ASSERT_EQ(::symlink(elsewhere->Path("song.mp3").c_str(), source.c_str()), 0);
        } else {
            WriteFile(source, sourceBytes);
        }
        SetField(IDC_SOURCE_PATH, source);
    }

    std::map<int, std::string> Fields() const
    {
        std::map<int, std::string> fields;
        for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
            fields[id] = Field(id);
        return fields;
    }

    // Runs the command with the save dialog answered by typed, and checks
    // what holds after every outcome: the form unchanged, one box at most.
    void Cut(const std::string& typed)
    {
        std::map<int, std::string> before = Fields();
        session.AnswerFileDialog(typed);
        RunCutCommand(form);
        EXPECT_EQ(Fields(), before) << "the form changed";
        EXPECT_LE(session.messageBoxes.size(), 1u);
    }

    void ExpectOnlyBox(const std::string& text, UINT type)
    {
        ASSERT_EQ(session.messageBoxes.size(), 1u);
        EXPECT_EQ(session.messageBoxes[0].text, text);
        EXPECT_EQ(session.messageBoxes[0].type, type);
        EXPECT_EQ(session.messageBoxes[0].caption, TXT_CAPTION);
    }
};

struct RangeCase {
    const char* start;
    const char* count;
    const char* message;  // nullptr: the cut succeeds
};

TEST_F(CutCommand, CopiesExactlyTheRangeOrRefusesIt)
{
    const RangeCase cases[] = {
        { "100", "200", nullptr },
        { "100", "799", nullptr },
        { "100", "800", TXT_RANGE_NOT_IN_FILE },  // ending at the length is refused
        { "0", "899", nullptr },
        { "0", "900", TXT_RANGE_NOT_IN_FILE },
        { "899", "0", nullptr },
        { "900", "0", TXT_START_NOT_IN_FILE },
        { "901", "-5", TXT_START_NOT_IN_FILE },
        { "", "", nullptr },                      // both read as 0: an empty file
        { "abc", "10", nullptr },                 // start reads as 0
        { "-5", "10", TXT_NEGATIVE_RANGE },
        { "10", "-5", TXT_NEGATIVE_RANGE },
        { "-2147483648", "0", TXT_NEGATIVE_RANGE },
        { "-5", "1000", TXT_RANGE_NOT_IN_FILE },
        // 100 + 2147483647 wraps to a negative sum that passes "length > sum".
        { "100", "2147483647", TXT_RANGE_NOT_IN_FILE },
        { "2147483647", "2147483647", TXT_START_NOT_IN_FILE },
        { "899", "1", TXT_RANGE_NOT_IN_FILE },
    };
    int n = 0;
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string("start \"") + c.start + "\", count \"" + c.count + "\"");
        session.messageBoxes.clear();
        SetField(IDC_START_BYTE, c.start);
        SetField(IDC_BYTE_COUNT, c.count);
        std::string output = dir.Path("cut" + std::to_string(n++) + ".mp3");
        Cut(output);
        if (c.message) {
            ExpectOnlyBox(c.message, 0x30);
            EXPECT_FALSE(PathExists(output));
        } else {
            ExpectOnlyBox(TXT_CUT_DONE, 0x40);
            int start = ReadNumber(form, IDC_START_BYTE);
            int count = ReadNumber(form, IDC_BYTE_COUNT);
            EXPECT_EQ(ReadFile(output), sourceBytes.substr(start, count));
        }
    }
    EXPECT_EQ(ReadFile(source), sourceBytes) << "the source changed";
}

TEST_F(CutCommand, AsksWithTheSaveDialogsSettings)
{
    session.CancelFileDialog();
    RunCutCommand(form);
    ASSERT_EQ(session.fileDialogs.size(), 1u);
    const headless::FileDialogShown& shown = session.fileDialogs[0];
    EXPECT_FALSE(shown.open);
    EXPECT_EQ(shown.defaultExt, "mp3");
    EXPECT_EQ(shown.fileName, "");
    EXPECT_EQ(shown.flags, 4u);
    EXPECT_EQ(shown.filter, TXT_FILTER);
    EXPECT_TRUE(session.messageBoxes.empty()) << "cancel is silent";
}

struct NameCase {
    const char* typed;    // in the save dialog, inside the test folder
    const char* written;  // the file that appears
};

TEST_F(CutCommand, LowersTheNameAndAddsTheSuffixWhenMissing)
{
    const NameCase cases[] = {
        { "Part1", "part1.mp3" },        // the dialog adds the default extension
        { "Clip.MP3", "clip.mp3" },
        { "notes.wav", "notes.wav.mp3" },
        { "A.Mp3.txt", "a.mp3.txt" },    // ".mp3" anywhere: nothing appended
        { "\xC7\xD0\x81Z.MP3", "\xC7\xD0\x81Z.mp3" },  // a trail byte Z is not folded
    };
    SetField(IDC_START_BYTE, "300");
    SetField(IDC_BYTE_COUNT, "300");
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.typed);
        session.messageBoxes.clear();
        Cut(dir.Path(c.typed));
        ExpectOnlyBox(TXT_CUT_DONE, 0x40);
        EXPECT_EQ(ReadFile(dir.Path(c.written)), sourceBytes.substr(300, 300));
    }
}

TEST_F(CutCommand, LowersOnlyTheLastComponentOfTheFolder)
{
    // Mixed-case folders are other folders on this file system.
    std::string folder = dir.Path("My.MP3s");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    SetField(IDC_BYTE_COUNT, "10");
    Cut(folder + "/Cut.wav");
    ExpectOnlyBox(TXT_CUT_DONE, 0x40);
    // ".mp3" in the lowered folder name: no suffix appended.
    EXPECT_EQ(ReadFile(folder + "/cut.wav"), sourceBytes.substr(0, 10));
}

TEST_F(CutCommand, LandsInTheChosenFolderWhateverBytesItsNameEndsIn)
{
    // A folder name ending in a byte that would lead a double-byte
    // character: the '/' after it still separates.
    ASSERT_EQ(::mkdir(dir.Path("AB\x81").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.Path("ab\x81").c_str(), 0755), 0);
    SetField(IDC_BYTE_COUNT, "10");
    Cut(dir.Path("AB\x81/Cut"));
    ExpectOnlyBox(TXT_CUT_DONE, 0x40);
    EXPECT_EQ(ReadFile(dir.Path("AB\x81/cut.mp3")), sourceBytes.substr(0, 10));
    EXPECT_FALSE(PathExists(dir.Path("ab\x81/cut.mp3")));
}

TEST_F(CutCommand, NeverReplacesAnExistingFile)
{
    std::vector<std::array<const char*, 2>> taken = {
        { "taken.mp3", "taken.mp3" },        // the chosen path itself
        { "notes.wav", "notes.wav.mp3" },    // the path with the suffix added
        { "Song2.mp3", "song2.mp3" },        // the lowered path
    };
    SetField(IDC_BYTE_COUNT, "10");
    // Where the folder matches names regardless of case (FAT, exFAT), a name
    // that differs only in case is the same file.
    if (testing_support::NamesIgnoreCase(dir.Root()))
        taken.push_back({ "other-case", "Other-Case.mp3" });
    for (const auto& t : taken) {
        SCOPED_TRACE(t[0]);
        session.messageBoxes.clear();
        WriteFile(dir.Path(t[1]), "keep me");
        Cut(dir.Path(t[0]));
        ExpectOnlyBox(TXT_TARGET_EXISTS, 0x30);
        EXPECT_EQ(ReadFile(dir.Path(t[1])), "keep me");
    }
    // A folder at the chosen path, and the source itself.
    session.messageBoxes.clear();
    std::string folder = dir.Path("folder.mp3");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    Cut(folder);
    ExpectOnlyBox(TXT_TARGET_EXISTS, 0x30);
    session.messageBoxes.clear();
    Cut(source);
    ExpectOnlyBox(TXT_TARGET_EXISTS, 0x30);
    EXPECT_EQ(ReadFile(source), sourceBytes);
}

// A virus scanner holds each new file for a moment once it is closed, and
// Windows then refuses to rename or remove it as in use. The cut waits such
// a hold out for about two seconds, then reports the write as failed; it
// never waits on a name that is taken, and never leaves anything under the
// chosen name.
TEST_F(CutCommand, WaitsOutAFileHeldByAScannerButNotATakenName)
{
    const std::string output = dir.Path("part1.mp3");
    const std::string failed = WriteFailedMessage(output.c_str()).Str();
    struct Row {
        const char* what;
        int renamesInUse;
        int removesInUse;
        bool nameTaken;  // another file takes the name at the first real try
        std::string message;
        UINT icon;
        int pauses;
        std::vector<std::string> entries;
    };
    const Row rows[] = {
        { "held for two tries", 2, 0, false, TXT_CUT_DONE, 0x40, 2, { "part1.mp3", "song.mp3" } },
        { "held past the patience", 100, 0, false, failed, 0x30, 9, { "song.mp3" } },
        { "held past the patience, removal too", 100, 100, false, failed, 0x30, 18,
          { "song.mp3", "~qarvel-1.part" } },
        { "held once, then the name is taken", 1, 0, true, TXT_TARGET_EXISTS, 0x30, 1,
          { "part1.mp3", "song.mp3" } },
    };
    SetField(IDC_START_BYTE, "100");
    SetField(IDC_BYTE_COUNT, "200");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        session.messageBoxes.clear();
        session.pausesMs.clear();
        session.renamesInUse = row.renamesInUse;
        session.removesInUse = row.removesInUse;
        session.beforeRename = [&](const char*, const char*) {
            if (row.nameTaken)
                WriteFile(output, "keep me");
        };
        Cut(dir.Path("Part1"));
        ExpectOnlyBox(row.message, row.icon);
        EXPECT_EQ(dir.Entries(), row.entries);
        EXPECT_EQ(static_cast<int>(session.pausesMs.size()), row.pauses);
        int waited = 0;
        for (int pause : session.pausesMs)
            waited += pause;
        EXPECT_LE(waited, 2 * 2000);
        if (row.nameTaken) {
            EXPECT_EQ(ReadFile(output), "keep me");
        } else if (row.icon == 0x40) {
            EXPECT_EQ(ReadFile(output), sourceBytes.substr(100, 200));
        }
        ::unlink(output.c_str());
        ::unlink(dir.Path("~qarvel-1.part").c_str());
    }
}

TEST_F(CutCommand, ReportsAMissingOrUnopenableSourceByItsPath)
{
    std::string folder = dir.Path("folder");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::pair<std::string, std::string> cases[] = {
        { "", SourceMissingMessage("").Str() },
        { dir.Path("gone.mp3"), SourceMissingMessage(dir.Path("gone.mp3").c_str()).Str() },
        { folder, OpenFailedMessage(folder.c_str()).Str() },
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        session.messageBoxes.clear();
        SetField(IDC_SOURCE_PATH, c.first);
        std::string output = dir.Path("out" + std::to_string(n++) + ".mp3");
        Cut(output);
        ExpectOnlyBox(c.second, 0x30);
        EXPECT_FALSE(PathExists(output));
    }
    EXPECT_FALSE(PathExists(dir.Path("gone.mp3"))) << "checking the source created it";
}

TEST_F(CutCommand, OutputThatCannotBeCreatedIsReportedByItsFormedPath)
{
    std::string output = dir.Path("no-such-folder/Part1");
    Cut(output);
    ExpectOnlyBox(OpenFailedMessage(dir.Path("no-such-folder/part1.mp3").c_str()).Str(), 0x30);
}

TEST_F(CutCommand, RefusesSourcesOf2GiBAndMoreAtTheStartCheck)
{
    for (unsigned long long length : { 0ull, 0x80000000ull, 0xFFFFFFFFull, 0x100000000ull + 900 }) {
        SCOPED_TRACE(length);
        session.messageBoxes.clear();
        std::string big = dir.Path("big.mp3");
        ::unlink(big.c_str());
        MakeSparseFile(big, length);
        SetField(IDC_SOURCE_PATH, big);
        SetField(IDC_START_BYTE, "0");
        SetField(IDC_BYTE_COUNT, "100");
        Cut(dir.Path("out.mp3"));
        ExpectOnlyBox(TXT_START_NOT_IN_FILE, 0x30);
        EXPECT_FALSE(PathExists(dir.Path("out.mp3")));
    }
}

TEST_F(CutCommand, ChecksInTheFixedOrder)
{
    // Each row breaks every check from the named one on; only the first
    // broken check speaks.
    WriteFile(dir.Path("taken.mp3"), "x");
    std::string folder = dir.Path("folder");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    struct OrderCase {
        std::string output;
        std::string sourcePath;
        const char* start;
        std::string message;
    };
    const OrderCase cases[] = {
        { dir.Path("taken.mp3"), "", "5000", TXT_TARGET_EXISTS },
        { dir.Path("free.mp3"), dir.Path("gone"), "5000", SourceMissingMessage(dir.Path("gone").c_str()).Str() },
        { dir.Path("free.mp3"), folder, "5000", OpenFailedMessage(folder.c_str()).Str() },
        { dir.Path("free.mp3"), source, "5000", TXT_START_NOT_IN_FILE },
    };
    SetField(IDC_BYTE_COUNT, "5000");
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.message);
        session.messageBoxes.clear();
        session.shown.clear();
        SetField(IDC_SOURCE_PATH, c.sourcePath);
        SetField(IDC_START_BYTE, c.start);
        Cut(c.output);
        EXPECT_EQ(session.shown, (std::vector<std::string>{ "save dialog", "box 0x30 " + c.message }));
    }
    EXPECT_FALSE(PathExists(dir.Path("free.mp3")));
}

TEST_F(CutCommand, TheTypicalRoadAndASecondCut)
{
    SetField(IDC_START_BYTE, "300");
    SetField(IDC_BYTE_COUNT, "300");
    Cut(dir.Path("Part1"));
    EXPECT_EQ(session.shown, (std::vector<std::string>{ "save dialog", std::string("box 0x40 ") + TXT_CUT_DONE }));
    EXPECT_EQ(ReadFile(dir.Path("part1.mp3")), sourceBytes.substr(300, 300));

    // The same fields again: a fresh save dialog, and the name is now taken.
    session.messageBoxes.clear();
    Cut(dir.Path("Part1"));
    ExpectOnlyBox(TXT_TARGET_EXISTS, 0x30);
    session.messageBoxes.clear();
    Cut(dir.Path("Part2"));
    ExpectOnlyBox(TXT_CUT_DONE, 0x40);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{ "part1.mp3", "part2.mp3", "song.mp3" }));
}

}  // namespace
