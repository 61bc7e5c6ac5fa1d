// CFileDialog over the real common dialogs: owned by the main window, which
// is disabled meanwhile; the filter and initial name as the dialog shows
// them; cancel, and a confirmed name with the default extension added.
#include <string>
#include <vector>

#include "platform/cfiledialog.h"
#include "tests/win32/dialog_support.h"
#include "tests/win32/harness.h"
#include "text_win32.h"

using support::TestDialog;

namespace {

const char kFilter[] = "mp3歌曲文件(*.mp3)|*.mp3|";

struct Shown {
    bool mainEnabled = true;
    std::vector<std::u16string> texts;
    bool Has(const std::u16string& text) const
    {
        for (const std::u16string& t : texts)
            if (t == text)
                return true;
        return false;
    }
};

void Record(HWND fileDialog, HWND main, Shown* shown)
{
    shown->mainEnabled = ::IsWindowEnabled(main) != FALSE;
    for (HWND child : support::Descendants(fileDialog))
        shown->texts.push_back(support::WindowText(child));
}

// Types path into the dialog's file name box and confirms it.
void Confirm(HWND fileDialog, const std::string& path)
{
    for (HWND child : support::Descendants(fileDialog)) {
        if (_stricmp(support::ClassName(child).c_str(), "Edit") == 0 && ::IsWindowVisible(child)
            && ::IsWindowEnabled(child)) {
            ::SetWindowTextW(child, win32::Wide(path).c_str());
            break;
        }
    }
    ::PostMessageA(fileDialog, WM_COMMAND, IDOK, 0);
}

std::string TempFolder()
{
    char base[MAX_PATH] = {};
    DWORD length = ::GetTempPathA(MAX_PATH, base);
    std::string folder(base, length);
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

TEST(FileDialog_CancelledOpenDialogOwnedByTheMainWindow)
{
    struct Row {
        const char* name;
        const char* filter;
        std::u16string description;
    };
    const Row rows[] = {
        { "the program's filter", kFilter, u"mp3歌曲文件(*.mp3)" },
        // 亅 is 81 7C: its trail byte is the code of '|'.
        { "trail byte 0x7C", "\x81|(*.mp3)|*.mp3|", u"\u4E85(*.mp3)" },
    };
    for (const Row& row : rows) {
        harness::Case c(row.name);
        support::RunMainDialog([&](TestDialog& main) {
            Shown shown;
            support::Responder responder(main.m_hWnd, [&](HWND box) {
                Record(box, main.m_hWnd, &shown);
                ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            });
            CFileDialog dialog(TRUE, "mp3", "*.mp3", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, row.filter);
            CHECK_EQ(static_cast<int>(dialog.DoModal()), IDCANCEL);
            CHECK(responder.Answered());
            CHECK(!shown.mainEnabled);
            CHECK(shown.Has(row.description));
            CHECK(shown.Has(u"*.mp3"));
            CHECK(::IsWindowEnabled(main.m_hWnd));
        });
    }
}

TEST(FileDialog_SaveAddsTheDefaultExtension)
{
    std::string folder = TempFolder();
    struct Row {
        std::string typed;
        std::string path;
    };
    const Row rows[] = {
        { folder + "\\Part1", folder + "\\Part1.mp3" },
        { folder + "\\Clip.MP3", folder + "\\Clip.MP3" },
        { folder + "\\notes.wav", folder + "\\notes.wav" },
        { folder + "\\\xD2\xF4\x81\\", folder + "\\\xD2\xF4\x81\\.mp3" },
    };
    for (const Row& row : rows) {
        harness::Case c(harness::Show(row.typed));
        support::RunMainDialog([&](TestDialog& main) {
            support::Responder responder(main.m_hWnd, [&](HWND box) { Confirm(box, row.typed); });
            CFileDialog dialog(FALSE, "mp3", nullptr, OFN_HIDEREADONLY, kFilter);
            CHECK_EQ(static_cast<int>(dialog.DoModal()), IDOK);
            CHECK(responder.Answered());
            CHECK_EQ(dialog.GetPathName().Str(), row.path);
        });
    }
}

TEST(FileDialog_OpenReturnsTheChosenExistingFile)
{
    // 乗表.mp3: double-byte, with a trail byte 0x5C.
    std::string path = TempFolder() + "\\\x81\\\xB1\xED.mp3";
    HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    support::RunMainDialog([&](TestDialog& main) {
        support::Responder responder(main.m_hWnd, [&](HWND box) { Confirm(box, path); });
        CFileDialog dialog(TRUE, "mp3", "*.mp3", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kFilter);
        CHECK_EQ(static_cast<int>(dialog.DoModal()), IDOK);
        CHECK_EQ(dialog.GetPathName().Str(), path);
    });
    ::DeleteFileW(win32::Wide(path).c_str());
}

}  // namespace
