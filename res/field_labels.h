// Which label names which field (or progress bar), for screen readers. Labels have no ID of
// their own, so each is given by its index in its dialog's template. Both
// programs take their names from here: the win32 layer places each label
// just before its field in z-order, where Windows looks for an edit's name
// (the static before it, found by walking GW_HWNDPREV), and the gtk layer
// names each field from its label for AT-SPI.
#pragma once

#include "res/resource.h"

struct FieldLabel {
    int dialogId;
    int field;
    int labelIndex;
};

inline constexpr FieldLabel kFieldLabels[] = {
    { IDD_CUTTER_DIALOG, IDC_SOURCE_PATH, 9 },        // 文件名：
    { IDD_CUTTER_DIALOG, IDC_FILE_SIZE, 10 },         // 文件大小：
    { IDD_CUTTER_DIALOG, IDC_TOTAL_SECONDS, 13 },     // 请在此输入播放完本文件需要的总秒数：
    { IDD_CUTTER_DIALOG, IDC_BYTES_PER_SECOND, 14 },  // 每秒所占用的字节数：
    { IDD_CUTTER_DIALOG, IDC_START_SECONDS, 18 },     // 截取从
    { IDD_CUTTER_DIALOG, IDC_END_SECONDS, 19 },       // 秒到
    { IDD_CUTTER_DIALOG, IDC_START_BYTE, 22 },        // 从此数据点截取[起始字节]：
    { IDD_CUTTER_DIALOG, IDC_BYTE_COUNT, 23 },        // 截取的字节数：
    { IDD_CUT_PROGRESS, IDC_CUT_PROGRESS, 0 },        // 正在保存新MP3文件：
};
