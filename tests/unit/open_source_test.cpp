// The open-source command against real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/cut_form.h"
#include "core/messages.h"
#include "core/open_source.h"
#include "test_support.h"

namespace {

using testing_support::FormTest;
using testing_support::MakeSparseFile;
using testing_support::PathExists;
using testing_support::PatternBytes;
using testing_support::WriteFile;

class OpenSource : public FormTest {};

TEST_F(OpenSource, ShowsPathAndLengthAndTouchesNothingElse)
{
    std::string song = dir.Path("song.mp3");
    WriteFile(song, PatternBytes(900));
    for (int id = IDC_TOTAL_SECONDS; id <= IDC_BYTE_COUNT; ++id)
        SetField(id, std::to_string(id));

    session.AnswerFileDialog(song);
    RunOpenSourceCommand(form);

    EXPECT_EQ(Field(IDC_SOURCE_PATH), song);
    EXPECT_EQ(Field(IDC_FILE_SIZE), "900");
    for (int id = IDC_TOTAL_SECONDS; id <= IDC_BYTE_COUNT; ++id)
        EXPECT_EQ(Field(id), std::to_string(id)) << "field " << id;
    EXPECT_TRUE(session.messageBoxes.empty());
}

TEST_F(OpenSource, AsksWithTheOpenDialogsSettings)
{
    session.CancelFileDialog();
    RunOpenSourceCommand(form);
    ASSERT_EQ(session.fileDialogs.size(), 1u);
    const headless::FileDialogShown& shown = session.fileDialogs[0];
    EXPECT_TRUE(shown.open);
    EXPECT_EQ(shown.defaultExt, "mp3");
    EXPECT_EQ(shown.fileName, "*.mp3");
    EXPECT_EQ(shown.flags, 0x1004u);
    EXPECT_EQ(shown.filter, TXT_FILTER);
}

TEST_F(OpenSource, CancelKeepsTheEarlierChoice)
{
    std::string song = dir.Path("song.mp3");
    WriteFile(song, PatternBytes(900));
    session.AnswerFileDialog(song);
    session.CancelFileDialog();
    RunOpenSourceCommand(form);
    RunOpenSourceCommand(form);
    EXPECT_EQ(Field(IDC_SOURCE_PATH), song);
    EXPECT_EQ(Field(IDC_FILE_SIZE), "900");
    EXPECT_TRUE(session.messageBoxes.empty());
}

TEST_F(OpenSource, UnopenableChoiceEmptiesThePathAndWarns)
{
    // Neither a folder nor a missing file can be opened for reading; the
    // missing one must not be created by trying.
    const std::string folder = dir.Path("folder.mp3");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string missing = dir.Path("missing.mp3");
    for (const std::string& path : { folder, missing }) {
        session.messageBoxes.clear();
        SetField(IDC_SOURCE_PATH, "earlier");
        SetField(IDC_FILE_SIZE, "123");
        session.AnswerFileDialog(path);
        RunOpenSourceCommand(form);
        EXPECT_EQ(Field(IDC_SOURCE_PATH), "") << path;
        EXPECT_EQ(Field(IDC_FILE_SIZE), "123") << path;
        ASSERT_EQ(session.messageBoxes.size(), 1u) << path;
        EXPECT_EQ(session.messageBoxes[0].text, OpenFailedMessage(path.c_str()).Str());
        EXPECT_EQ(session.messageBoxes[0].type, 0x30u);
    }
    EXPECT_FALSE(PathExists(missing));
}

TEST_F(OpenSource, HugeSourcesShowNegativeLengths)
{
    const std::pair<unsigned long long, const char*> cases[] = {
        { 0, "0" },
        { 0x7FFFFFFFull, "2147483647" },
        { 0x80000000ull, "-2147483648" },
        { 0xFFFFFFFFull, "-1" },
        // From 4 GiB on the low 32 bits would look like a small file.
        { 0x100000000ull + 900, "-1" },
    };
    for (const auto& c : cases) {
        std::string path = dir.Path("big" + std::to_string(c.first) + ".mp3");
        MakeSparseFile(path, c.first);
        session.AnswerFileDialog(path);
        RunOpenSourceCommand(form);
        EXPECT_EQ(Field(IDC_FILE_SIZE), c.second) << "length " << c.first;
    }
}

}  // namespace
