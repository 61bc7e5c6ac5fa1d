#include "core/messages.h"

#include <string>

const char TXT_CAPTION[] = "MP3剪切工具";
const char TXT_OPEN_PREFIX[] = "打开文件：\r\n";
const char TXT_OPEN_FAILED_SUFFIX[] = "\r\n失败！";
const char TXT_TARGET_EXISTS[] = "文件已经存在，请重新指定。";
const char TXT_SOURCE_PREFIX[] = "文件：\r\n";
const char TXT_SOURCE_MISSING_SUFFIX[] = "\r\n不存在存在，请重新指定。";
const char TXT_START_NOT_IN_FILE[] = "文件长度小于起始字节数！";
const char TXT_RANGE_NOT_IN_FILE[] = "文件长度小于截取的字节数！";
const char TXT_CUT_DONE[] =
    "恭喜你！新的MP3文件已经截取了，请打开听听吧，如果不对就继续剪切即可！";
const char TXT_FILTER[] = "mp3歌曲文件(*.mp3)|*.mp3|";
const char TXT_DEFAULT_EXT[] = "mp3";
const char TXT_OPEN_INITIAL_NAME[] = "*.mp3";
const char TXT_MP3_SUFFIX[] = ".mp3";

const char TXT_NEGATIVE_RANGE[] = "起始字节数和截取的字节数都不能是负数！";
const char TXT_OUT_OF_MEMORY[] = "内存不足，无法截取这么多字节！";
const char TXT_READ_PREFIX[] = "读取文件：\r\n";
const char TXT_WRITE_PREFIX[] = "写入文件：\r\n";
const char TXT_NAME_PREFIX[] = "文件名：\r\n";
const char TXT_NAME_UNFIT_SUFFIX[] = "\r\n含有本程序不能使用的字符，请重新指定。";

const char TXT_TIME_LEFT_UNKNOWN[] = "剩余时间：正在估算……";
const char TXT_CANCELLING[] = "正在取消……";

CString OpenFailedMessage(const CString& path)
{
    return TXT_OPEN_PREFIX + path + TXT_OPEN_FAILED_SUFFIX;
}

CString SourceMissingMessage(const CString& path)
{
    return TXT_SOURCE_PREFIX + path + TXT_SOURCE_MISSING_SUFFIX;
}

CString ReadFailedMessage(const CString& path)
{
    return TXT_READ_PREFIX + path + TXT_OPEN_FAILED_SUFFIX;
}

CString WriteFailedMessage(const CString& path)
{
    return TXT_WRITE_PREFIX + path + TXT_OPEN_FAILED_SUFFIX;
}

CString UnfitNameMessage(const CString& path)
{
    return TXT_NAME_PREFIX + path + TXT_NAME_UNFIT_SUFFIX;
}

CString ProgressText(const CString& written, const CString& total)
{
    return "已写入 " + written + "，共 " + total;
}

CString TimeLeftText(unsigned seconds)
{
    std::string text = "剩余时间：约 ";
    if (seconds >= 60)
        text += std::to_string(seconds / 60) + " 分 ";
    if (seconds < 60 || seconds % 60 != 0)
        text += std::to_string(seconds % 60) + " 秒";
    else
        text.pop_back();
    return text.c_str();
}

void ShowWarning(CWnd& owner, const CString& text)
{
    owner.MessageBox(text, TXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
}

void ShowInformation(CWnd& owner, const CString& text)
{
    owner.MessageBox(text, TXT_CAPTION, MB_OK | MB_ICONINFORMATION);
}
