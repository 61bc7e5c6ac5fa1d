// CString's double-byte rules under code page 936: a trail byte is never
// folded, matched or taken for a separator.
#include <gtest/gtest.h>

#include "platform/cstring.h"

namespace {

// "\x81" followed by A, Z, '\\' or m: one double-byte character each
// (GBK 丄, 乑, 乗, 乵).
struct LowerCase {
    const char* input;
    const char* expected;
};

TEST(CStringMakeLower, FoldsSingleByteLettersOnly)
{
    const LowerCase cases[] = {
        { "", "" },
        { "C:\\Music\\Clip.MP3", "c:\\music\\clip.mp3" },
        { "abc-XYZ_09", "abc-xyz_09" },
        { "\x81" "A\x81Z", "\x81" "A\x81Z" },
        { "X\x81" "AY", "x\x81" "Ay" },
        { "\xC7\xD0" "B.MP3", "\xC7\xD0" "b.mp3" },
        // A lead byte as the last byte has no trail: it stands alone.
        { "AB\x81", "ab\x81" },
    };
    for (const LowerCase& c : cases) {
        CString s(c.input);
        s.MakeLower();
        EXPECT_EQ(s.Str(), c.expected) << "input: " << c.input;
    }
}

struct FindCase {
    const char* haystack;
    const char* needle;
    int expected;
};

TEST(CStringFind, MatchesOnlyAtCharacterStarts)
{
    const FindCase cases[] = {
        { "clip.mp3", ".mp3", 4 },
        { "clip.wav", ".mp3", -1 },
        { "", ".mp3", -1 },
        { "a.mp3.b.mp3", ".mp3", 1 },
        { "\x81mp3", "mp3", -1 },
        { "\x81mp3mp3", "mp3", 4 },
        { "\xC7\xD0.mp3", ".mp3", 2 },
    };
    for (const FindCase& c : cases)
        EXPECT_EQ(CString(c.haystack).Find(c.needle), c.expected)
            << "Find(\"" << c.needle << "\") in \"" << c.haystack << "\"";
}

TEST(CStringReverseFind, SkipsTrailBytesThatLookLikeSeparators)
{
    EXPECT_EQ(CString("a\\b\\c").ReverseFind('\\'), 3);
    EXPECT_EQ(CString("dir\\\x81\\.mp3").ReverseFind('\\'), 3);
    EXPECT_EQ(CString("\x81\\").ReverseFind('\\'), -1);
    EXPECT_EQ(CString("abc").ReverseFind('/'), -1);
}

TEST(CStringParts, LeftAndMidClampToTheString)
{
    CString s("abcdef");
    EXPECT_EQ(s.Left(2).Str(), "ab");
    EXPECT_EQ(s.Left(-1).Str(), "");
    EXPECT_EQ(s.Left(99).Str(), "abcdef");
    EXPECT_EQ(s.Mid(4).Str(), "ef");
    EXPECT_EQ(s.Mid(6).Str(), "");
    EXPECT_EQ(s.Mid(-3).Str(), "abcdef");
}

TEST(CStringBytes, HoldsEmbeddedAndHighBytes)
{
    CString s("\xB4\xF2\r\n", 4);
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_EQ((s + "x").Str(), "\xB4\xF2\r\nx");
}

}  // namespace
