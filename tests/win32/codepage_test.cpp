// Code page 936 on the real system, whatever the system's own code page:
// the runtime's multibyte code page is 936 before ordinary static
// initialisers run, and the double-byte rules of CString and of the output
// path follow it, so trail bytes such as 0x5A 'Z' and 0x5C '\' are neither
// folded nor matched.
#include <mbctype.h>

#include "core/output_path.h"
#include "platform/cstring.h"
#include "platform/path_rules.h"
#include "tests/win32/harness.h"

namespace {

// Constructed at the earliest priority after the platform's own (101), so
// before every default-priority initialiser such as the application object,
// whatever order the linker happens to give those.
struct CodePageAtStartUp {
    int seen = _getmbcp();
};
CodePageAtStartUp g_atStartUp __attribute__((init_priority(102)));

TEST(CodePage_Is936BeforeStaticInitialisers)
{
    CHECK_EQ(g_atStartUp.seen, 936);
    CHECK_EQ(_getmbcp(), 936);
}

TEST(CodePage_LeadBytesOf936)
{
    struct Row {
        unsigned char byte;
        bool lead;
    };
    const Row rows[] = {
        { 0x00, false }, { 'A', false }, { '\\', false }, { 0x7F, false }, { 0x80, false },
        { 0x81, true }, { 0xA1, true }, { 0xC7, true }, { 0xFE, true }, { 0xFF, false },
    };
    for (const Row& row : rows) {
        harness::Case c("byte " + harness::Show(static_cast<int>(row.byte)));
        CHECK_EQ(AfxIsLeadByte(row.byte), row.lead);
    }
}

TEST(CodePage_MakeLowerLeavesTrailBytes)
{
    struct Row {
        const char* input;
        const char* lowered;
    };
    const Row rows[] = {
        { "C:\\Music\\Clip.MP3", "c:\\music\\clip.mp3" },
        // 乑 is 81 5A: its trail byte is 'Z'.
        { "\x81Z", "\x81Z" },
        { "X\x81ZY", "x\x81Zy" },
        // 乗 is 81 5C, 表 is B1 ED; the 'Z' after 乗 is a character of its own.
        { "D:\\\x81\\Z\\\xB1\xED.WAV", "d:\\\x81\\z\\\xB1\xED.wav" },
        { "\xC7\xD0" "AB", "\xC7\xD0" "ab" },
        { "AB\x81", "ab\x81" },
        // 歌 is B8 E8; in code page 932, E8 would lead a character with 'X'.
        { "\xB8\xE8X", "\xB8\xE8x" },
    };
    for (const Row& row : rows) {
        harness::Case c(harness::Show(row.input));
        CString text(row.input);
        text.MakeLower();
        CHECK_EQ(text.Str(), std::string(row.lowered));
    }
}

TEST(CodePage_FindMatchesOnlyAtCharacterStarts)
{
    struct Row {
        const char* haystack;
        const char* needle;
        int at;
    };
    const Row rows[] = {
        { "clip.mp3", ".mp3", 4 },
        { "clip.wav", ".mp3", -1 },
        { "", ".mp3", -1 },
        // 81 5C is one character: its trail is no separator.
        { "\x81\\x", "\\", -1 },
        { "a\\\x81\\x", "\\", 1 },
        { "\x81Zmp3", "Zmp3", -1 },
        { "\x81ZZmp3", "Zmp3", 2 },
        { "\xD2\xF4\xC0\xD6.mp3", ".mp3", 4 },
    };
    for (const Row& row : rows) {
        harness::Case c(harness::Show(row.haystack) + " find " + harness::Show(row.needle));
        CHECK_EQ(CString(row.haystack).Find(row.needle), row.at);
    }
}

// The output path of the cut: on Windows the whole path is lowered, and the
// double-byte rules decide which bytes are letters.
TEST(CodePage_OutputPathOnWindows)
{
    struct Row {
        const char* chosen;
        const char* output;
    };
    const Row rows[] = {
        { "C:\\Music\\Clip.MP3", "c:\\music\\clip.mp3" },
        { "C:\\Music\\Notes.WAV", "c:\\music\\notes.wav.mp3" },
        { "C:\\X.MP3\\Part1", "c:\\x.mp3\\part1" },
        { "D:\\\x81Z\\NOTES.WAV", "d:\\\x81Z\\notes.wav.mp3" },
        { "D:\\\x81\\\\A.Mp3", "d:\\\x81\\\\a.mp3" },
        { "E:/Dir/Song", "e:/dir/song.mp3" },
    };
    for (const Row& row : rows) {
        harness::Case c(harness::Show(row.chosen));
        CHECK_EQ(OutputPathFor(row.chosen).Str(), std::string(row.output));
    }
    CHECK(!AfxFileNamesAreCaseSensitive());
}

}  // namespace
