// CCutterDlg and CCutterApp on the headless window system: the real routing
// table, driven as a user would.
#include <gtest/gtest.h>

#include "app/cutter_app.h"
#include "core/messages.h"
#include "dialog/cutter_dlg.h"
#include "platform/resources.h"
#include "test_support.h"

namespace {

using headless::Click;
using headless::Command;
using headless::Text;
using headless::Type;
using testing_support::CutterDialogControls;
using testing_support::PatternBytes;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

class CutterDialog : public ::testing::Test {
protected:
    headless::Session session;
    TempDir dir;

    void SetUp() override { session.RegisterTemplate(IDD_CUTTER_DIALOG, CutterDialogControls()); }

    // Runs the dialog modally with play as the user; returns DoModal's result.
    INT_PTR Run(std::function<void(CDialog&)> play)
    {
        session.whileModal = std::move(play);
        CCutterDlg dlg;
        return dlg.DoModal();
    }
};

TEST_F(CutterDialog, TheRoadOfATypicalCut)
{
    std::string song = dir.Path("song.mp3");
    std::string bytes = PatternBytes(900);
    WriteFile(song, bytes);
    session.AnswerFileDialog(song);
    session.AnswerFileDialog(dir.Path("Part1"));

    INT_PTR result = Run([&](CDialog& dlg) {
        Click(dlg, IDC_OPEN_SOURCE);
        EXPECT_EQ(Text(dlg, IDC_SOURCE_PATH), song);
        EXPECT_EQ(Text(dlg, IDC_FILE_SIZE), "900");
        Type(dlg, IDC_TOTAL_SECONDS, "3");
        EXPECT_EQ(Text(dlg, IDC_BYTES_PER_SECOND), "300");
        Type(dlg, IDC_START_SECONDS, "1");
        Type(dlg, IDC_END_SECONDS, "2");
        EXPECT_EQ(Text(dlg, IDC_START_BYTE), "300");
        EXPECT_EQ(Text(dlg, IDC_BYTE_COUNT), "300");
        Command(dlg, IDOK);
        Command(dlg, IDCANCEL);
    });

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(ReadFile(dir.Path("part1.mp3")), bytes.substr(300, 300));
    EXPECT_EQ(session.shown, (std::vector<std::string>{ "open dialog", "save dialog",
                                                         std::string("box 0x40 ") + TXT_CUT_DONE }));
}

TEST_F(CutterDialog, EnterCutsAndTheDialogStaysOpen)
{
    session.CancelFileDialog();
    session.CancelFileDialog();
    bool stillOpen = false;
    INT_PTR result = Run([&](CDialog& dlg) {
        Command(dlg, IDOK);
        Command(dlg, IDOK);
        stillOpen = true;
        Command(dlg, IDCANCEL);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(session.shown, (std::vector<std::string>{ "save dialog", "save dialog" }));
}

TEST_F(CutterDialog, OnlyTheThreeSecondsFieldsStartARule)
{
    Run([&](CDialog& dlg) {
        dlg.SetDlgItemText(IDC_FILE_SIZE, "900");
        Type(dlg, IDC_SOURCE_PATH, "/x.mp3");
        Type(dlg, IDC_START_BYTE, "5");
        Type(dlg, IDC_BYTE_COUNT, "6");
        EXPECT_EQ(Text(dlg, IDC_BYTES_PER_SECOND), "");
        // Digit by digit: the rule runs on each keystroke and ends on 12.
        dlg.SetDlgItemText(IDC_BYTES_PER_SECOND, "10");
        Type(dlg, IDC_START_SECONDS, "12");
        EXPECT_EQ(Text(dlg, IDC_START_BYTE), "120");
        EXPECT_EQ(Text(dlg, IDC_BYTE_COUNT), "");
        Type(dlg, IDC_END_SECONDS, "15");
        EXPECT_EQ(Text(dlg, IDC_BYTE_COUNT), "30");
        // A new total refreshes the rate only.
        Type(dlg, IDC_TOTAL_SECONDS, "3");
        EXPECT_EQ(Text(dlg, IDC_BYTES_PER_SECOND), "300");
        EXPECT_EQ(Text(dlg, IDC_START_BYTE), "120");
        Command(dlg, IDCANCEL);
    });
    EXPECT_TRUE(session.shown.empty());
}

TEST_F(CutterDialog, StartsEmptyWithTheIconSetBigThenSmall)
{
    HICON icon = AfxLoadIcon(IDR_MAINFRAME);
    Run([&](CDialog& dlg) {
        for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
            EXPECT_EQ(Text(dlg, id), "") << "field " << id;
        const std::vector<headless::MessageSent>& sent = headless::MessagesSent(dlg);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[0].message, (UINT)WM_SETICON);
        EXPECT_EQ(sent[0].wParam, (WPARAM)ICON_BIG);
        EXPECT_EQ(sent[1].wParam, (WPARAM)ICON_SMALL);
        EXPECT_EQ(sent[0].lParam, reinterpret_cast<LPARAM>(icon));
        EXPECT_EQ(sent[1].lParam, reinterpret_cast<LPARAM>(icon));
        Command(dlg, IDCANCEL);
    });
}

TEST_F(CutterDialog, PaintsTheIconCentredOnlyWhenMinimized)
{
    Run([&](CDialog& dlg) {
        EXPECT_FALSE(headless::Paint(dlg)) << "a normal dialog paints by default";
        EXPECT_TRUE(headless::IconsDrawn(dlg).empty());

        headless::SetIconic(dlg, true);
        headless::SetClientSize(dlg, 160, 25);
        EXPECT_TRUE(headless::Paint(dlg));
        ASSERT_EQ(headless::IconsDrawn(dlg).size(), 1u);
        EXPECT_EQ(headless::IconsDrawn(dlg)[0].x, (160 - 32 + 1) / 2);
        EXPECT_EQ(headless::IconsDrawn(dlg)[0].y, (25 - 32 + 1) / 2);  // -3: truncated toward zero
        EXPECT_EQ(headless::IconsDrawn(dlg)[0].icon, AfxLoadIcon(IDR_MAINFRAME));
        EXPECT_EQ(headless::MessagesSent(dlg).back().message, (UINT)WM_ICONERASEBKGND);
        // At 150 % the icon and the minimized window are half as large again.
        session.iconSize = 48;
        headless::SetClientSize(dlg, 240, 38);
        EXPECT_TRUE(headless::Paint(dlg));
        ASSERT_EQ(headless::IconsDrawn(dlg).size(), 2u);
        EXPECT_EQ(headless::IconsDrawn(dlg)[1].x, (240 - 48 + 1) / 2);
        EXPECT_EQ(headless::IconsDrawn(dlg)[1].y, (38 - 48 + 1) / 2);

        LRESULT cursor = 0;
        EXPECT_TRUE(dlg.OnWndMsg(WM_QUERYDRAGICON, 0, 0, &cursor));
        EXPECT_EQ(cursor, reinterpret_cast<LRESULT>(AfxLoadIcon(IDR_MAINFRAME)));
        Command(dlg, IDCANCEL);
    });
}

TEST_F(CutterDialog, TheApplicationShowsTheDialogOnceAsMainWindow)
{
    int shown = 0;
    session.whileModal = [&](CDialog& dlg) {
        ++shown;
        EXPECT_EQ(AfxGetApp(), &theApp);
        EXPECT_EQ(theApp.m_pMainWnd, &dlg);
        Command(dlg, IDCANCEL);
    };
    EXPECT_EQ(AfxWinMain(), 0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

}  // namespace
