// Resource and control IDs, shared by the resource script and the code.
#pragma once

#define IDD_CUTTER_DIALOG 102
#define IDD_CUT_PROGRESS 103
#define IDR_MAINFRAME 128

#define IDC_OPEN_SOURCE 3

// The cut form: the dialog's eight edit fields.
#define IDC_SOURCE_PATH 1000
#define IDC_FILE_SIZE 1001
#define IDC_TOTAL_SECONDS 1002
#define IDC_BYTES_PER_SECOND 1003
#define IDC_START_SECONDS 1004
#define IDC_END_SECONDS 1005
#define IDC_START_BYTE 1006
#define IDC_BYTE_COUNT 1007

// The progress window of a long cut.
#define IDC_CUT_PROGRESS 1010
#define IDC_CUT_WRITTEN 1011
#define IDC_CUT_TIME_LEFT 1012
