#include "text_win32.h"

namespace win32 {

WideText Wide(const std::string& text)
{
    WideText wide;
    if (text.empty())
        return wide;
    int size = static_cast<int>(text.size());
    int length = ::MultiByteToWideChar(kProgramCodePage, 0, text.data(), size, nullptr, 0);
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    ::MultiByteToWideChar(kProgramCodePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

WideText Wide(const char* text)
{
    return Wide(std::string(text ? text : ""));
}

CString Narrow(const wchar_t* text, int length, bool* fits)
{
    if (fits)
        *fits = true;
    if (length <= 0)
        return CString();
    // Without WC_NO_BEST_FIT_CHARS, "ö" would come back as "o" and name
    // another file; the default character shows the loss instead.
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    int size = ::WideCharToMultiByte(kProgramCodePage, flags, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(kProgramCodePage, flags, text, length, &bytes[0], size, nullptr,
                          &usedDefault);
    if (fits && usedDefault)
        *fits = false;
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

}  // namespace win32
