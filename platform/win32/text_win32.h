// The program's texts and paths are code page 936 bytes; the win32 backend
// speaks UTF-16 to Windows and converts at that one boundary, explicitly to
// and from 936 and never through the system's ANSI code page, so that the
// program shows and names the same on any system.
#pragma once

#include <string>

#include "platform/cstring.h"

namespace win32 {

constexpr UINT kProgramCodePage = 936;

// The UTF-16 form of 936 bytes.
std::wstring Wide(const char* text);
std::wstring Wide(const std::string& text);

// The 936 form of UTF-16 text. A character that 936 cannot hold becomes
// '?' (never a look-alike: no best fit), and *fits, when given, is set to
// false; otherwise to true.
CString Narrow(const wchar_t* text, int length, bool* fits = nullptr);

// For the W functions that take an optional text: null stays null.
class WideOrNull {
public:
    explicit WideOrNull(const char* text) : m_null(text == nullptr), m_text(Wide(text)) {}
    operator const wchar_t*() const { return m_null ? nullptr : m_text.c_str(); }

private:
    bool m_null;
    std::wstring m_text;
};

}  // namespace win32
