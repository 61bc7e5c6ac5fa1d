// Dialog 102 as the program's resource script must give it: the 25
// controls in template (and tab) order, with the exact template styles.
#pragma once

#include "platform_types.h"

namespace support {

constexpr DWORD kEdit = 0x50810080;          // WS_CHILD|WS_VISIBLE|WS_BORDER|WS_TABSTOP|ES_AUTOHSCROLL
constexpr DWORD kDisabledEdit = 0x58810080;  // kEdit | WS_DISABLED
constexpr DWORD kButton = 0x50018000;        // WS_CHILD|WS_VISIBLE|WS_TABSTOP|BS_FLAT
constexpr DWORD kLabel = 0x50020000;         // WS_CHILD|WS_VISIBLE|WS_GROUP
constexpr DWORD kGroup = 0x50000007;         // WS_CHILD|WS_VISIBLE|BS_GROUPBOX

struct ControlRow {
    int id;
    const char* className;  // "Edit", "Button", "Static"
    WORD atom;              // the class's predefined atom in a template
    DWORD style;
    const char16_t* text;   // nullptr: the credit line, free text
    short x, y, w, h;
};

inline const ControlRow kControls[25] = {
    { 1000, "Edit", 0x81, kEdit, u"", 53, 20, 186, 13 },
    { 3, "Button", 0x80, kButton, u"打开MP3文件", 245, 19, 55, 14 },
    { 1002, "Edit", 0x81, kEdit, u"", 53, 68, 90, 13 },
    { 1004, "Edit", 0x81, kEdit, u"", 39, 107, 50, 13 },
    { 1005, "Edit", 0x81, kEdit, u"", 114, 107, 50, 13 },
    { 1006, "Edit", 0x81, kEdit, u"", 119, 138, 50, 13 },
    { 1007, "Edit", 0x81, kEdit, u"", 245, 138, 56, 13 },
    { 1, "Button", 0x80, kButton, u"保存新MP3文件", 15, 159, 80, 14 },
    { 2, "Button", 0x80, kButton, u"关闭", 101, 159, 50, 14 },
    { -1, "Static", 0x82, kLabel, u"文件名：", 21, 22, 32, 8 },
    { -1, "Static", 0x82, kLabel, u"文件大小：", 13, 38, 40, 8 },
    { 1001, "Edit", 0x81, kDisabledEdit, u"", 53, 36, 90, 13 },
    { -1, "Static", 0x82, kLabel, u"字节", 147, 39, 18, 8 },
    { -1, "Static", 0x82, kLabel, u"请在此输入播放完本文件需要的总秒数：", 13, 56, 145, 8 },
    { -1, "Static", 0x82, kLabel, u"每秒所占用的字节数：", 12, 87, 80, 8 },
    { 1003, "Edit", 0x81, kDisabledEdit, u"", 94, 85, 50, 13 },
    { -1, "Static", 0x82, kLabel, u"输入秒数时自动计算", 148, 87, 74, 8 },
    { -1, "Button", 0x80, kGroup, u"请认真输入", 5, 6, 301, 174 },
    { -1, "Static", 0x82, kLabel, u"截取从", 12, 110, 24, 9 },
    { -1, "Static", 0x82, kLabel, u"秒到", 94, 109, 17, 9 },
    { -1, "Static", 0x82, kLabel, u"秒之间的数据", 168, 110, 85, 9 },
    { -1, "Static", 0x82, kLabel, u"程序依此数据截取为准，如果用秒不够精确，请在此输入：", 12, 126, 208, 8 },
    { -1, "Static", 0x82, kLabel, u"从此数据点截取[起始字节]：", 12, 140, 104, 8 },
    { -1, "Static", 0x82, kLabel, u"截取的字节数：", 186, 140, 56, 8 },
    { -1, "Static", 0x82, kLabel, nullptr, 7, 186, 283, 8 },
};

constexpr DWORD kDialogStyle = 0x90CA00C0;
constexpr DWORD kDialogExStyle = 0x00040000;
constexpr char16_t kCaptionStart[] = u"Mp3剪切工具[";

}  // namespace support
