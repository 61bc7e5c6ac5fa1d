// The cut command under real faults of the operating system: a write that
// fails part-way, folders that cannot take the output, and a source or an
// output name that changes at the exact moment between the command's check
// and its use. Each case checks what the user sees and what is left on disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/cut_form.h"
#include "core/messages.h"
#include "fault_support.h"
#include "platform/cfile.h"

namespace {

using faults::Append;
using faults::CutFaults;
using faults::Report;
using faults::RunInChild;
using faults::Tree;
using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

using Paths = std::vector<std::string>;

std::string Str(const CString& s)
{
    return s.Str();
}

TEST_F(CutFaults, AWriteThatFailsPartWayLeavesNoOutputAndTheNextCutWorks)
{
    // Files may grow to 1 KiB in the child; the write past it fails with
    // EFBIG (SIGXFSZ ignored) after the first KiB has reached the disk.
    const rlim_t limit = 1024;
    Report report = RunInChild([&](Report& r) {
        struct rlimit small = { limit, limit };
        if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &small) != 0) {
            r.push_back("no file size limit");
            return;
        }
        SetRange(100, 3000);
        Append(r, Cut(dir.Path("big")));
        SetRange(100, 500);
        Append(r, Cut(dir.Path("small")));
    });
    Report expected = Warned(Str(WriteFailedMessage(dir.Path("big.mp3").c_str())));
    Append(expected, Succeeded());
    EXPECT_EQ(report, expected);
    EXPECT_EQ(Tree(dir.Root()), (Paths{ "small.mp3", "song.mp3" })) << "the partial output was left";
    EXPECT_EQ(ReadFile(dir.Path("small.mp3")), sourceBytes.substr(100, 500));
    EXPECT_EQ(ReadFile(source), sourceBytes);
}

TEST_F(CutFaults, FoldersThatCannotTakeTheOutputAndAnUnreadableSource)
{
    // Permission bits bind only an unprivileged user: the cuts run in a
    // child that has dropped root. It reaches the folder through 0755.
    ASSERT_EQ(::chmod(dir.Root().c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.Path("ro").c_str(), 0555), 0);
    ASSERT_EQ(::mkdir(dir.Path("rw").c_str(), 0755), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.Path("rw").c_str(), faults::kUnprivileged, faults::kUnprivileged), 0);
    }
    std::string secret = dir.Path("secret.mp3");
    WriteFile(secret, sourceBytes);
    ASSERT_EQ(::chmod(secret.c_str(), 0000), 0);

    struct Case {
        const char* what;
        std::string sourcePath;
        std::string typed;
        Report expected;
    };
    const Case cases[] = {
        { "output folder missing", source, dir.Path("missing/Part1"),
          Warned(Str(OpenFailedMessage(dir.Path("missing/part1.mp3").c_str()))) },
        { "output folder read-only", source, dir.Path("ro/Part1"),
          Warned(Str(OpenFailedMessage(dir.Path("ro/part1.mp3").c_str()))) },
        { "source not readable", secret, dir.Path("rw/Secret"), Warned(Str(OpenFailedMessage(secret.c_str()))) },
        // The same user can write where permission allows: what fails above
        // is the folder, not the user.
        { "output folder writable", source, dir.Path("rw/Part1"), Succeeded() },
    };
    SetRange(100, 200);
    Report report = RunInChild([&](Report& r) {
        if (!faults::DropRoot()) {
            r.push_back("could not drop root");
            return;
        }
        for (const Case& c : cases) {
            SetField(IDC_SOURCE_PATH, c.sourcePath);
            r.push_back(c.what);
            Append(r, Cut(c.typed));
        }
    });
    Report expected;
    for (const Case& c : cases) {
        expected.push_back(c.what);
        Append(expected, c.expected);
    }
    EXPECT_EQ(report, expected);
    EXPECT_EQ(Tree(dir.Root()), (Paths{ "ro/", "rw/", "rw/part1.mp3", "secret.mp3", "song.mp3" }));
    EXPECT_EQ(ReadFile(dir.Path("rw/part1.mp3")), sourceBytes.substr(100, 200));
}

// A change of the source at one moment of the command: the hook makes it on
// the real file system just before the command opens or reads the file.
struct SourceCase {
    const char* what;
    bool atOpen;        // else just before the read
    off_t truncateTo;   // -1: unlink the source
    int start;
    int count;
    bool succeeds;      // else a warning naming the source
};

TEST_F(CutFaults, TheSourceChangingBetweenCheckAndUse)
{
    const SourceCase cases[] = {
        { "vanishes before the open", true, -1, 100, 200, false },
        { "shrinks into the range before the read", false, 1000, 100, 3000, false },
        { "shrinks below the start before the read", false, 50, 100, 200, false },
        { "shrinks but keeps the range", false, 3500, 100, 3000, true },
    };
    int n = 0;
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(source, sourceBytes);
        SetRange(c.start, c.count);
        int fired = 0;
        auto change = [&] {
            ++fired;
            if (c.truncateTo < 0)
                ASSERT_EQ(::unlink(source.c_str()), 0);
            else
                ASSERT_EQ(::truncate(source.c_str(), c.truncateTo), 0);
        };
        session.beforeOpen = [&](const char* path, UINT flags) {
            if (c.atOpen && path == source && !(flags & CFile::modeWrite))
                change();
        };
        session.beforeRead = [&] {
            if (!c.atOpen)
                change();
        };
        std::string output = dir.Path("cut" + std::to_string(n++) + ".mp3");
        Report seen = Cut(output);
        session.beforeOpen = nullptr;
        session.beforeRead = nullptr;

        EXPECT_EQ(fired, 1);
        std::string left = c.truncateTo < 0 ? std::string() : sourceBytes.substr(0, c.truncateTo);
        if (c.succeeds) {
            EXPECT_EQ(seen, Succeeded());
            EXPECT_EQ(ReadFile(output), sourceBytes.substr(c.start, c.count));
            ::unlink(output.c_str());
        } else if (c.atOpen) {
            EXPECT_EQ(seen, Warned(Str(OpenFailedMessage(source.c_str()))));
            EXPECT_FALSE(PathExists(source)) << "the vanished source was created again";
        } else {
            EXPECT_EQ(seen, Warned(Str(ReadFailedMessage(source.c_str()))));
        }
        if (c.truncateTo >= 0) {
            EXPECT_EQ(ReadFile(source), left);
        }
        EXPECT_EQ(Tree(dir.Root()), c.truncateTo < 0 ? Paths{} : Paths{ "song.mp3" });
    }
}

// The slice is a view of the source: a source that shrinks after the slice
// was taken and before the write would be copied with zeros for the bytes it
// lost. Either outcome below is sound; the zeros are not.
TEST_F(CutFaults, ASourceShrinkingBeforeTheWriteIsNotCopiedAsZeros)
{
    SetRange(100, 3000);
    session.beforeOpen = [&](const char*, UINT flags) {
        if (flags & CFile::modeWrite) {
            ASSERT_EQ(::truncate(source.c_str(), 1000), 0);
        }
    };
    Report seen = Cut(dir.Path("out"));
    session.beforeOpen = nullptr;
    std::string output = dir.Path("out.mp3");
    if (PathExists(output)) {
        EXPECT_EQ(seen, Succeeded());
        EXPECT_TRUE(ReadFile(output) == sourceBytes.substr(100, 3000)) << "the copy is not the bytes that were read";
    } else {
        EXPECT_EQ(seen, Warned(Str(ReadFailedMessage(source.c_str()))));
    }
}

TEST_F(CutFaults, ASourceThatIsAFolderIsRefusedByItsPath)
{
    std::string folder = dir.Path("album.mp3");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    SetField(IDC_SOURCE_PATH, folder);
    SetRange(0, 10);
    EXPECT_EQ(Cut(dir.Path("out")), Warned(Str(OpenFailedMessage(folder.c_str()))));
    EXPECT_EQ(Tree(dir.Root()), (Paths{ "album.mp3/", "song.mp3" }));
}

// Something appears at the output path after the command found it free:
// before it creates the unfinished file, or after the slice is written and
// before the rename. What appeared must stay as it was, and no unfinished
// file may be left.
struct AppearCase {
    const char* what;
    std::function<void(const std::string& path)> make;
    Paths tree;               // afterwards
    const char* kept;         // a file that must keep its bytes, or nullptr
    const char* keptBytes;
};

enum class Moment { beforeCreation, beforeRename };

TEST_F(CutFaults, AnOutputNameAppearingBeforeTheCreationOrTheRenameIsLeftAlone)
{
    std::string keep = dir.Path("keep.mp3");
    const AppearCase cases[] = {
        { "a file", [](const std::string& p) { WriteFile(p, "theirs"); }, { "out.mp3", "song.mp3" },
          "out.mp3", "theirs" },
        { "a folder", [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0755), 0); },
          { "out.mp3/", "song.mp3" }, nullptr, nullptr },
        // Following the link would create the file it names.
        { "a link to nowhere",
          [&](const std::string& p) { ASSERT_EQ(::symlink(dir.Path("victim.mp3").c_str(), p.c_str()), 0); },
          { "out.mp3@", "song.mp3" }, nullptr, nullptr },
        { "a link to another file",
          [&](const std::string& p) {
              WriteFile(keep, "keep me");
              ASSERT_EQ(::symlink(keep.c_str(), p.c_str()), 0);
          },
          { "keep.mp3", "out.mp3@", "song.mp3" }, "keep.mp3", "keep me" },
    };
    SetRange(100, 200);
    std::string output = dir.Path("out.mp3");
    std::string unfinished = dir.Path("~qarvel-1.part");
    // FAT and exFAT keep no links: there only a file and a folder can appear.
    std::string probe = dir.Path("link-probe");
    bool takesLinks = ::symlink("nowhere", probe.c_str()) == 0;
    ::unlink(probe.c_str());
    for (Moment moment : { Moment::beforeCreation, Moment::beforeRename })
    for (const AppearCase& c : cases) {
        if (!takesLinks && std::string(c.what).find("link") != std::string::npos)
            continue;
        SCOPED_TRACE(std::string(c.what) + (moment == Moment::beforeCreation ? ", before the creation" : ", before the rename"));
        Paths touched;
        session.beforeOpen = [&](const char* path, UINT flags) {
            if (moment == Moment::beforeCreation && (flags & CFile::modeWrite)) {
                touched.push_back(path);
                c.make(output);
            }
        };
        session.beforeRename = [&](const char* from, const char* to) {
            if (moment == Moment::beforeRename) {
                touched = { from, to };
                c.make(output);
            }
        };
        Report seen = Cut(dir.Path("Out"));
        session.beforeOpen = nullptr;
        session.beforeRename = nullptr;

        EXPECT_EQ(touched, (moment == Moment::beforeCreation ? Paths{ unfinished } : Paths{ unfinished, output }));
        EXPECT_EQ(seen, Warned(TXT_TARGET_EXISTS));
        EXPECT_EQ(Tree(dir.Root()), c.tree);
        if (c.kept) {
            EXPECT_EQ(ReadFile(dir.Path(c.kept)), c.keptBytes);
        }
        ::unlink(keep.c_str());
        ::unlink(output.c_str());
        ::rmdir(output.c_str());
    }
}

// The unfinished file is on the disk, whole, before it takes its name, and
// the name is on the disk before the success message: else a power cut
// after it could leave the name on a file of zeros, or the bytes under the
// unfinished name only. A flush the disk refuses, of the file or of its
// folder, is a failed write that leaves nothing under any name.
TEST_F(CutFaults, TheBytesThenTheNameReachTheDiskBeforeTheSuccessMessage)
{
    SetRange(100, 200);
    std::string unfinished = dir.Path("~qarvel-1.part");
    std::string output = dir.Path("out.mp3");
    enum Fails { nothing, fileFlush, folderFlush };
    for (Fails fails : { nothing, fileFlush, folderFlush }) {
        SCOPED_TRACE(fails == nothing ? "both flushes succeed" : fails == fileFlush ? "the file's flush fails" : "the folder's flush fails");
        Paths steps;
        session.beforeFlush = [&] {
            steps.push_back("flush of " + std::to_string(ReadFile(unfinished).size()) + " bytes");
            return fails != fileFlush;
        };
        session.beforeRename = [&](const char*, const char*) { steps.push_back("rename"); };
        session.beforeFolderFlush = [&] {
            steps.push_back(PathExists(output) ? "flush of the folder holding out.mp3" : "flush of the folder");
            return fails != folderFlush;
        };
        Report seen = Cut(dir.Path("out"));
        session.beforeFlush = nullptr;
        session.beforeRename = nullptr;
        session.beforeFolderFlush = nullptr;

        const Paths allSteps = { "flush of 200 bytes", "rename", "flush of the folder holding out.mp3" };
        if (fails == nothing) {
            EXPECT_EQ(steps, allSteps);
            EXPECT_EQ(seen, Succeeded());
            EXPECT_EQ(Tree(dir.Root()), (Paths{ "out.mp3", "song.mp3" }));
            ::unlink(output.c_str());
        } else {
            EXPECT_EQ(steps, fails == fileFlush ? Paths{ allSteps[0] } : allSteps);
            EXPECT_EQ(seen, Warned(Str(WriteFailedMessage(output.c_str()))));
            EXPECT_EQ(Tree(dir.Root()), Paths{ "song.mp3" });
        }
    }
}

// A name longer than the folder allows is refused before any file is
// created, not after the whole copy at the rename (the unfinished file's own
// name is short). Here, on ext4 or tmpfs, the limit counts bytes: 251 'n'
// fit with ".mp3", 252 do not.
TEST_F(CutFaults, ANameTooLongForTheFolderIsRefusedBeforeAnythingIsWritten)
{
    SetRange(100, 200);
    for (size_t length : { 251, 252 }) {
        std::string name(length, 'n');
        SCOPED_TRACE(name.size() + 4);
        Paths created;
        session.beforeOpen = [&](const char* path, UINT flags) {
            if (flags & CFile::modeWrite)
                created.push_back(path);
        };
        Report seen = Cut(dir.Path(name));
        session.beforeOpen = nullptr;
        if (length == 251) {
            EXPECT_EQ(seen, Succeeded());
            EXPECT_EQ(created, Paths{ dir.Path("~qarvel-1.part") });
            EXPECT_EQ(ReadFile(dir.Path(name + ".mp3")), sourceBytes.substr(100, 200));
            ::unlink(dir.Path(name + ".mp3").c_str());
        } else {
            EXPECT_EQ(seen, Warned(Str(OpenFailedMessage(dir.Path(name + ".mp3").c_str()))));
            EXPECT_EQ(created, Paths{});
        }
        EXPECT_EQ(Tree(dir.Root()), Paths{ "song.mp3" });
    }
}

// What a killed cut leaves (its unfinished file), or a user's file or folder
// that merely has such a name, neither blocks the next cut nor is touched.
TEST_F(CutFaults, UnfinishedNamesAlreadyTakenAreSteppedOver)
{
    WriteFile(dir.Path("~qarvel-1.part"), "left by a killed cut");
    ASSERT_EQ(::mkdir(dir.Path("~qarvel-2.part").c_str(), 0755), 0);
    SetRange(100, 200);
    EXPECT_EQ(Cut(dir.Path("out")), Succeeded());
    EXPECT_EQ(Tree(dir.Root()), (Paths{ "out.mp3", "song.mp3", "~qarvel-1.part", "~qarvel-2.part/" }));
    EXPECT_EQ(ReadFile(dir.Path("out.mp3")), sourceBytes.substr(100, 200));
    EXPECT_EQ(ReadFile(dir.Path("~qarvel-1.part")), "left by a killed cut");
}

}  // namespace
