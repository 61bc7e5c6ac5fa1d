// The text catalogue, byte for byte in code page 936, and how messages are
// shown.
#include <gtest/gtest.h>

#include "core/messages.h"
#include "test_support.h"

namespace {

struct CatalogueEntry {
    const char* name;
    const char* actual;
    const char* gbk;  // the expected bytes, written out so that a missing
                      // execution character set shows here
};

TEST(TextCatalogue, EveryTextIsItsGbkBytes)
{
    const CatalogueEntry entries[] = {
        { "TXT_CAPTION", TXT_CAPTION, "MP3\xBC\xF4\xC7\xD0\xB9\xA4\xBE\xDF" },
        { "TXT_OPEN_PREFIX", TXT_OPEN_PREFIX, "\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE\xA3\xBA\x0D\x0A" },
        { "TXT_OPEN_FAILED_SUFFIX", TXT_OPEN_FAILED_SUFFIX, "\x0D\x0A\xCA\xA7\xB0\xDC\xA3\xA1" },
        { "TXT_TARGET_EXISTS", TXT_TARGET_EXISTS,
          "\xCE\xC4\xBC\xFE\xD2\xD1\xBE\xAD\xB4\xE6\xD4\xDA\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2\xD6\xB8\xB6\xA8\xA1\xA3" },
        { "TXT_SOURCE_PREFIX", TXT_SOURCE_PREFIX, "\xCE\xC4\xBC\xFE\xA3\xBA\x0D\x0A" },
        { "TXT_SOURCE_MISSING_SUFFIX", TXT_SOURCE_MISSING_SUFFIX,
          "\x0D\x0A\xB2\xBB\xB4\xE6\xD4\xDA\xB4\xE6\xD4\xDA\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2\xD6\xB8\xB6\xA8\xA1\xA3" },
        { "TXT_START_NOT_IN_FILE", TXT_START_NOT_IN_FILE,
          "\xCE\xC4\xBC\xFE\xB3\xA4\xB6\xC8\xD0\xA1\xD3\xDA\xC6\xF0\xCA\xBC\xD7\xD6\xBD\xDA\xCA\xFD\xA3\xA1" },
        { "TXT_RANGE_NOT_IN_FILE", TXT_RANGE_NOT_IN_FILE,
          "\xCE\xC4\xBC\xFE\xB3\xA4\xB6\xC8\xD0\xA1\xD3\xDA\xBD\xD8\xC8\xA1\xB5\xC4\xD7\xD6\xBD\xDA\xCA\xFD\xA3\xA1" },
        { "TXT_CUT_DONE", TXT_CUT_DONE,
          "\xB9\xA7\xCF\xB2\xC4\xE3\xA3\xA1\xD0\xC2\xB5\xC4MP3\xCE\xC4\xBC\xFE\xD2\xD1\xBE\xAD\xBD\xD8\xC8\xA1\xC1\xCB"
          "\xA3\xAC\xC7\xEB\xB4\xF2\xBF\xAA\xCC\xFD\xCC\xFD\xB0\xC9\xA3\xAC\xC8\xE7\xB9\xFB\xB2\xBB\xB6\xD4\xBE\xCD"
          "\xBC\xCC\xD0\xF8\xBC\xF4\xC7\xD0\xBC\xB4\xBF\xC9\xA3\xA1" },
        { "TXT_FILTER", TXT_FILTER, "mp3\xB8\xE8\xC7\xFA\xCE\xC4\xBC\xFE(*.mp3)|*.mp3|" },
        { "TXT_DEFAULT_EXT", TXT_DEFAULT_EXT, "mp3" },
        { "TXT_OPEN_INITIAL_NAME", TXT_OPEN_INITIAL_NAME, "*.mp3" },
        { "TXT_MP3_SUFFIX", TXT_MP3_SUFFIX, ".mp3" },
    };
    for (const CatalogueEntry& e : entries)
        EXPECT_EQ(std::string(e.actual), std::string(e.gbk)) << e.name;
}

TEST(TextCatalogue, ComposedMessagesPutThePathBetweenTheBreaks)
{
    EXPECT_EQ(SourceMissingMessage("C:\\a.mp3").Str(),
              "\xCE\xC4\xBC\xFE\xA3\xBA\r\nC:\\a.mp3\r\n"
              "\xB2\xBB\xB4\xE6\xD4\xDA\xB4\xE6\xD4\xDA\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2\xD6\xB8\xB6\xA8\xA1\xA3");
    EXPECT_EQ(OpenFailedMessage("P").Str(), std::string(TXT_OPEN_PREFIX) + "P" + TXT_OPEN_FAILED_SUFFIX);
    EXPECT_EQ(SourceMissingMessage("").Str(), std::string(TXT_SOURCE_PREFIX) + TXT_SOURCE_MISSING_SUFFIX);
}

// The progress window's time left, in the catalogue's GBK: 秒 is
// \xC3\xEB, 分 \xB7\xD6.
TEST(TextCatalogue, TheTimeLeftInMinutesAndSeconds)
{
    const std::string prefix = "\xCA\xA3\xD3\xE0\xCA\xB1\xBC\xE4\xA3\xBA\xD4\xBC ";
    struct Row {
        unsigned seconds;
        const char* shown;
    };
    const Row rows[] = {
        { 0, "0 \xC3\xEB" },
        { 59, "59 \xC3\xEB" },
        { 60, "1 \xB7\xD6" },
        { 125, "2 \xB7\xD6 5 \xC3\xEB" },
        { 3600, "60 \xB7\xD6" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(TimeLeftText(row.seconds).Str(), prefix + row.shown) << row.seconds;
    EXPECT_EQ(ProgressText("1.0 MB", "2.0 MB").Str(), "\xD2\xD1\xD0\xB4\xC8\xEB 1.0 MB\xA3\xAC\xB9\xB2 2.0 MB");
}

TEST(MessageBoxes, WarningsAndTheSuccessMessageCarryCaptionAndIcon)
{
    headless::Session session;
    CWnd owner;
    headless::Window window(owner, {});
    ShowWarning(owner, "w");
    ShowInformation(owner, "i");
    ASSERT_EQ(session.messageBoxes.size(), 2u);
    EXPECT_EQ(session.messageBoxes[0].type, 0x30u);
    EXPECT_EQ(session.messageBoxes[1].type, 0x40u);
    for (const headless::MessageBoxShown& box : session.messageBoxes) {
        EXPECT_EQ(box.caption, TXT_CAPTION);
        EXPECT_EQ(box.owner, owner.m_hWnd);
    }
}

}  // namespace
