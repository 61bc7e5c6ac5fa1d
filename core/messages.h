// The text catalogue and the one way messages reach the user. Texts are
// bytes of code page 936 (the sources are compiled with a GBK execution
// character set); line breaks inside messages are CR LF.
#pragma once

#include "platform/cstring.h"
#include "platform/cwnd.h"

extern const char TXT_CAPTION[];
extern const char TXT_OPEN_PREFIX[];
extern const char TXT_OPEN_FAILED_SUFFIX[];
extern const char TXT_TARGET_EXISTS[];
extern const char TXT_SOURCE_PREFIX[];
extern const char TXT_SOURCE_MISSING_SUFFIX[];
extern const char TXT_START_NOT_IN_FILE[];
extern const char TXT_RANGE_NOT_IN_FILE[];
extern const char TXT_CUT_DONE[];
extern const char TXT_FILTER[];
extern const char TXT_DEFAULT_EXT[];
extern const char TXT_OPEN_INITIAL_NAME[];
extern const char TXT_MP3_SUFFIX[];

// Texts of failures that the original messages do not cover.
extern const char TXT_NEGATIVE_RANGE[];
extern const char TXT_OUT_OF_MEMORY[];
extern const char TXT_READ_PREFIX[];
extern const char TXT_WRITE_PREFIX[];
extern const char TXT_NAME_PREFIX[];
extern const char TXT_NAME_UNFIT_SUFFIX[];

// Texts of the progress window of a long cut.
extern const char TXT_TIME_LEFT_UNKNOWN[];
extern const char TXT_CANCELLING[];

// "打开文件：" CR LF path CR LF "失败！"
CString OpenFailedMessage(const CString& path);
// "文件：" CR LF path CR LF "不存在存在，请重新指定。"
CString SourceMissingMessage(const CString& path);
// "读取文件：" CR LF path CR LF "失败！"
CString ReadFailedMessage(const CString& path);
// "写入文件：" CR LF path CR LF "失败！"
CString WriteFailedMessage(const CString& path);
// "文件名：" CR LF path CR LF "含有本程序不能使用的字符，请重新指定。"
CString UnfitNameMessage(const CString& path);

// "已写入 " written "，共 " total, each already a size ("12.5 MB").
CString ProgressText(const CString& written, const CString& total);
// "剩余时间：约 " and the seconds as "8 秒" or "2 分 5 秒".
CString TimeLeftText(unsigned seconds);

// A failure: warning icon, caption TXT_CAPTION, owned by the dialog.
void ShowWarning(CWnd& owner, const CString& text);
// The one success message: information icon.
void ShowInformation(CWnd& owner, const CString& text);
