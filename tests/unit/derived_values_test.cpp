// The bytes-per-second and cut-range rules, each case a row: the fields
// before, the rule, the fields after.
#include <gtest/gtest.h>

#include "core/cut_form.h"
#include "core/derived_values.h"
#include "test_support.h"

namespace {

using testing_support::FormTest;

struct RateCase {
    const char* size;
    const char* seconds;
    const char* before;  // field 1003 before the rule
    const char* expected;
};

class BytesPerSecondRule : public FormTest {};

TEST_F(BytesPerSecondRule, DividesSizeBySecondsUnsigned)
{
    const RateCase cases[] = {
        { "900", "3", "", "300" },
        { "100", "3", "", "33" },
        { "900", "0", "7", "7" },
        { "900", "", "7", "7" },
        { "900", "abc", "7", "7" },
        { "", "3", "7", "0" },                 // no source opened yet
        { "900", "-1", "7", "0" },             // a negative total is a huge divisor
        { "-1", "1", "", "-1" },               // 0xFFFFFFFF / 1 shows as -1
        { "-1294967296", "3", "", "1000000000" },  // a 3 000 000 000-byte file
    };
    for (const RateCase& c : cases) {
        SetField(IDC_FILE_SIZE, c.size);
        SetField(IDC_TOTAL_SECONDS, c.seconds);
        SetField(IDC_BYTES_PER_SECOND, c.before);
        ApplyBytesPerSecondRule(form);
        EXPECT_EQ(Field(IDC_BYTES_PER_SECOND), c.expected)
            << "size " << c.size << ", seconds \"" << c.seconds << "\"";
    }
}

struct RangeCase {
    const char* rate;
    const char* start;
    const char* end;
    const char* startByte;  // expected fields 1006 and 1007
    const char* byteCount;
};

class CutRangeRule : public FormTest {};

TEST_F(CutRangeRule, DerivesStartByteAndCountFromSeconds)
{
    const RangeCase cases[] = {
        { "300", "2", "5", "600", "900" },
        { "300", "2", "2", "600", "" },
        { "300", "2", "", "600", "" },
        { "300", "5", "2", "1500", "" },
        { "300", "0", "5", "old", "old" },     // start 0 changes nothing
        { "300", "", "5", "old", "old" },
        { "300", "x", "5", "old", "old" },
        { "", "5", "7", "0", "0" },            // no rate yet
        { "300", "-2", "", "-600", "600" },
        { "300", "1", "2", "300", "300" },
        // 32-bit products keep their low bits: 3000000 * 1000 = 0xB2D05E00.
        { "1000", "3000000", "3000001", "-1294967296", "1000" },
    };
    for (const RangeCase& c : cases) {
        SetField(IDC_BYTES_PER_SECOND, c.rate);
        SetField(IDC_START_BYTE, "old");
        SetField(IDC_BYTE_COUNT, "old");
        SetField(IDC_START_SECONDS, c.start);
        SetField(IDC_END_SECONDS, c.end);
        ApplyCutRangeRule(form);
        EXPECT_EQ(Field(IDC_START_BYTE), c.startByte) << "start " << c.start << ", end " << c.end;
        EXPECT_EQ(Field(IDC_BYTE_COUNT), c.byteCount) << "start " << c.start << ", end " << c.end;
    }
}

TEST_F(CutRangeRule, LeavesTheOtherFieldsAlone)
{
    SetField(IDC_SOURCE_PATH, "/x.mp3");
    SetField(IDC_FILE_SIZE, "900");
    SetField(IDC_TOTAL_SECONDS, "3");
    SetField(IDC_BYTES_PER_SECOND, "300");
    SetField(IDC_START_SECONDS, "1");
    SetField(IDC_END_SECONDS, "2");
    ApplyCutRangeRule(form);
    ApplyBytesPerSecondRule(form);
    EXPECT_EQ(Field(IDC_SOURCE_PATH), "/x.mp3");
    EXPECT_EQ(Field(IDC_FILE_SIZE), "900");
    EXPECT_EQ(Field(IDC_TOTAL_SECONDS), "3");
    EXPECT_EQ(Field(IDC_START_SECONDS), "1");
    EXPECT_EQ(Field(IDC_END_SECONDS), "2");
    EXPECT_TRUE(session.messageBoxes.empty());
}

}  // namespace
