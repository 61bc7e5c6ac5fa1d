// The table that a backend building its own dialog reads is the template
// that the Windows builds compile: the same 25 controls in the same order,
// with the styles, texts and rectangles that the layer tests require of the
// Windows program.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "res/cutter_dialog_table.h"
#include "tests/win32/template_table.h"

namespace {

// The template's texts are all in the Basic Multilingual Plane.
std::string Utf8(const char16_t* text)
{
    std::string out;
    for (; *text; ++text) {
        char16_t c = *text;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

TEST(DialogTable, IsTheTemplateTheWindowsBuildsCompile)
{
    const dialog_table::Dialog& dialog = dialog_table::kDialog;
    EXPECT_EQ(dialog.style, support::kDialogStyle);
    EXPECT_EQ(dialog.exStyle, support::kDialogExStyle);
    EXPECT_EQ(std::string(dialog.caption).rfind(Utf8(support::kCaptionStart), 0), 0u) << dialog.caption;
    EXPECT_EQ(dialog.fontPoints, 9);
    EXPECT_STREQ(dialog.fontName, u8"宋体");
    EXPECT_EQ(dialog.cx, 312);
    EXPECT_EQ(dialog.cy, 200);

    ASSERT_EQ(std::size(dialog_table::kControls), std::size(support::kControls));
    for (size_t i = 0; i < std::size(support::kControls); ++i) {
        const support::ControlRow& expected = support::kControls[i];
        const dialog_table::Control& control = dialog_table::kControls[i];
        SCOPED_TRACE("control " + std::to_string(i) + ", ID " + std::to_string(expected.id));
        EXPECT_EQ(control.id, expected.id);
        EXPECT_STREQ(control.className, expected.className);
        EXPECT_EQ(control.style, expected.style);
        if (expected.text) {
            EXPECT_EQ(control.text, Utf8(expected.text));
        }
        EXPECT_EQ(control.x, expected.x);
        EXPECT_EQ(control.y, expected.y);
        EXPECT_EQ(control.cx, expected.w);
        EXPECT_EQ(control.cy, expected.h);
    }
}

}  // namespace
