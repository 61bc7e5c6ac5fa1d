// A long cut: the copy on its worker thread, onto a slow disk played by the
// test (each piece advances the layer's clock as a 4 MB/s stick would take
// it), behind the progress window; stopped by the user, by closing the
// dialog, or by a disk that fails part-way.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/cut_command.h"
#include "core/cut_progress.h"
#include "core/messages.h"
#include "dialog/cutter_dlg.h"
#include "test_support.h"

namespace {

using testing_support::FormTest;
using testing_support::PatternBytes;
using testing_support::ReadFile;
using testing_support::WriteFile;

constexpr ULONGLONG kStickBytesPerSecond = 4000000;
constexpr UINT kSliceBytes = 10u << 20;
constexpr ULONGLONG kWindowAfterMs = 500;

// The stick takes each piece in the time its bytes need. Once that time
// passes the moment the progress window shows, the stick waits for the
// window, as a real stick's slow write lets the dialog's thread see that
// moment first; the copy's thread, on a clock that only tests move, would
// otherwise run ahead of the window.
void TakePiece(headless::Session& session, UINT count)
{
    session.Advance(count * 1000ull / kStickBytesPerSecond);
    for (int waited = 0; session.nowMs.load() >= kWindowAfterMs && session.windowsShown.load() == 0 && waited < 2000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

struct Piece {
    ULONGLONG at;
    UINT count;
    ULONGLONG startedMs;
};

class LongCut : public FormTest {
protected:
    std::string source = dir.Path("song.mp3");
    std::string sourceBytes = PatternBytes(kSliceBytes + 1000);
    std::vector<Piece> pieces;  // written by the copy's thread
    std::atomic<size_t> piecesStarted{ 0 };

    void SetUp() override
    {
        WriteFile(source, sourceBytes);
        SetField(IDC_SOURCE_PATH, source);
        SetField(IDC_START_BYTE, "500");
        SetField(IDC_BYTE_COUNT, std::to_string(kSliceBytes));
        // The slow stick: each piece takes its bytes' time at its rate.
        session.beforeWritePiece = [this](ULONGLONG at, UINT count) {
            pieces.push_back({ at, count, session.nowMs.load() });
            ++piecesStarted;
            TakePiece(session, count);
        };
    }

    std::string Output() const { return dir.Path("long.mp3"); }

    void Cut()
    {
        session.AnswerFileDialog(dir.Path("long"));
        RunCutCommand(form);
    }

    // Only the source is left, and nothing was said.
    void ExpectNothingLeftAndSilence()
    {
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{ "song.mp3" });
        EXPECT_TRUE(session.messageBoxes.empty()) << session.messageBoxes[0].text;
        EXPECT_TRUE(headless::IsWindowEnabled(form)) << "the form stayed disabled";
    }

    void CutAndExpectTheBarToRiseToTheFlush()
    {
        Cut();
        EXPECT_EQ(session.shown, (std::vector<std::string>{ "save dialog", "window shown", "box 0x40 " + std::string(TXT_CUT_DONE) }));
        EXPECT_EQ(ReadFile(Output()), sourceBytes.substr(500, kSliceBytes));
        EXPECT_TRUE(headless::IsWindowEnabled(form));

        // Pieces by time: the first small, then about half a second each at
        // the stick's rate, together exactly the slice.
        ASSERT_GE(pieces.size(), 4u);
        EXPECT_EQ(pieces[0].count, 2u << 20);
        ULONGLONG next = 0;
        for (const Piece& piece : pieces) {
            EXPECT_EQ(piece.at, next);
            EXPECT_LE(piece.count * 1000ull / kStickBytesPerSecond, 600u) << "a piece of " << piece.count;
            next += piece.count;
        }
        EXPECT_EQ(next, kSliceBytes);

        // The bar only rises, counting what is on the disk: it starts a
        // piece behind the copy, and reaches its end with the last flush, as
        // the window goes.
        ASSERT_FALSE(session.barPositions.empty());
        EXPECT_TRUE(std::is_sorted(session.barPositions.begin(), session.barPositions.end()));
        EXPECT_LT(session.barPositions.front(), 500);
        EXPECT_EQ(session.barPositions.back(), 1000);
    }
};

// Where a flush can be started and left (Linux) and where it can only be
// waited for.
TEST_F(LongCut, TheWindowAppearsAfterHalfASecondAndTheBarRisesToTheFlush)
{
    for (bool inBackground : { true, false }) {
        SCOPED_TRACE(inBackground ? "flushes in the background" : "each flush waited for");
        std::remove(Output().c_str());
        pieces.clear();
        session.barPositions.clear();
        session.shown.clear();
        session.noFlushInBackground = !inBackground;
        CutAndExpectTheBarToRiseToTheFlush();
    }
}

TEST_F(LongCut, AShortCutShowsNothingNew)
{
    SetField(IDC_BYTE_COUNT, "200");
    Cut();
    EXPECT_EQ(session.shown, (std::vector<std::string>{ "save dialog", "box 0x40 " + std::string(TXT_CUT_DONE) }));
    EXPECT_TRUE(session.barPositions.empty());
}

// The 取消 button once the window shows: the copy stops at its next piece,
// its unfinished file is removed, and nothing is said; the form is as it
// was and the next cut works.
TEST_F(LongCut, CancelStopsAtTheNextPieceAndLeavesNothing)
{
    std::vector<std::string> before;
    for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
        before.push_back(headless::Text(form, id));
    size_t started = 0;
    session.whenShown = [&](CWnd& progress) {
        started = piecesStarted.load();
        headless::Click(progress, IDCANCEL);
    };
    Cut();
    ExpectNothingLeftAndSilence();
    // The piece under way finishes; none begins after it (one may have
    // begun in the instant between the count and the click).
    EXPECT_LE(pieces.size(), started + 1) << "the copy went on after the cancel";
    ULONGLONG begun = 0;
    for (const Piece& piece : pieces)
        begun += piece.count;
    EXPECT_LT(begun, kSliceBytes) << "the cancel came only after the last piece";
    for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
        EXPECT_EQ(headless::Text(form, id), before[static_cast<size_t>(id - IDC_SOURCE_PATH)]);

    session.whenShown = nullptr;
    Cut();
    EXPECT_EQ(ReadFile(Output()), sourceBytes.substr(500, kSliceBytes));
}

// Closing the program stops the copy wherever it is: before its first
// piece, in the middle, or during the last piece, before the rename.
TEST_F(LongCut, ClosingStopsTheCopyAtAnyPieceAndLeavesNothing)
{
    struct Point {
        const char* name;
        long long byte;  // -1: as the unfinished file is created
        size_t piecesWritten;
    };
    const Point points[] = { { "before the first piece", -1, 0 },
                             { "in the middle", 4 << 20, 3 },
                             { "during the last piece", kSliceBytes - 1, 0 } };
    for (const Point& point : points) {
        SCOPED_TRACE(point.name);
        pieces.clear();
        session.beforeOpen = [&](const char*, UINT flags) {
            if (point.byte < 0 && (flags & CFile::modeCreateNew))
                AbandonCutInProgress();
        };
        session.beforeWritePiece = [&](ULONGLONG at, UINT count) {
            pieces.push_back({ at, count, 0 });
            TakePiece(session, count);
            if (static_cast<long long>(at) <= point.byte && point.byte < static_cast<long long>(at + count))
                AbandonCutInProgress();
        };
        Cut();
        ExpectNothingLeftAndSilence();
        if (point.byte < 0)
            EXPECT_TRUE(pieces.empty());
        else
            EXPECT_EQ(pieces.back().at + pieces.back().count > static_cast<ULONGLONG>(point.byte), true)
                << "a piece was written after the close";
    }
}

// A disk that fails part-way: the window closes, the failure is told, and
// nothing is left; the next cut works.
TEST_F(LongCut, ADiskFailingPartWayIsToldAndLeavesNothing)
{
    int flushes = 0;
    session.beforeFlush = [&] { return ++flushes != 2; };
    Cut();
    EXPECT_EQ(session.shown, (std::vector<std::string>{ "save dialog", "window shown",
                                                       "box 0x30 " + std::string(WriteFailedMessage(Output().c_str()).Str()) }));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{ "song.mp3" });
    EXPECT_TRUE(headless::IsWindowEnabled(form));
    session.beforeFlush = nullptr;
    session.messageBoxes.clear();
    Cut();
    EXPECT_EQ(ReadFile(Output()), sourceBytes.substr(500, kSliceBytes));
}

// The dialog closed mid-cut (its close box, Alt+F4, the taskbar): the cut
// stops, says nothing, and the dialog ends.
TEST(LongCutDialog, ClosingTheDialogMidCutStopsTheCutAndEndsIt)
{
    headless::Session session;
    testing_support::TempDir dir;
    session.RegisterTemplate(IDD_CUTTER_DIALOG, testing_support::CutterDialogControls());
    session.RegisterTemplate(IDD_CUT_PROGRESS, testing_support::ProgressDialogControls());
    std::string bytes = PatternBytes(kSliceBytes + 10);
    WriteFile(dir.Path("song.mp3"), bytes);
    session.beforeWritePiece = [&](ULONGLONG, UINT count) { TakePiece(session, count); };
    CCutterDlg* main = nullptr;
    session.whenShown = [&](CWnd&) { headless::Command(*main, IDCANCEL); };
    session.whileModal = [&](CDialog& dlg) {
        main = static_cast<CCutterDlg*>(&dlg);
        headless::Paste(dlg, IDC_SOURCE_PATH, dir.Path("song.mp3"));
        headless::Paste(dlg, IDC_BYTE_COUNT, std::to_string(kSliceBytes));
        session.AnswerFileDialog(dir.Path("long"));
        headless::Click(dlg, IDOK);
    };
    CCutterDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(session.messageBoxes.empty());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{ "song.mp3" });
}

}  // namespace
