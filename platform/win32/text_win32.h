// The program's texts and paths are code page 936 bytes; the win32 backend
// speaks UTF-16 to Windows and converts at that one boundary, explicitly to
// and from 936 and never through the system's ANSI code page, so that the
// program shows and names the same on any system.
#pragma once

#include <string>
#include <vector>

#include "platform/cstring.h"

namespace win32 {

constexpr UINT kProgramCodePage = 936;

// UTF-16 text, always followed by a NUL. A vector rather than std::wstring:
// the wide string's members come from the runtime library whole, which
// made the program a sixth larger.
class WideText {
public:
    WideText() : m_units(1, L'\0') {}
    const wchar_t* c_str() const { return m_units.data(); }
    wchar_t* data() { return m_units.data(); }
    size_t length() const { return m_units.size() - 1; }
    bool empty() const { return length() == 0; }
    // Cuts the text to count units or pads it with NULs to that many.
    void resize(size_t count) { m_units.resize(count + 1, L'\0'); m_units[count] = L'\0'; }

private:
    std::vector<wchar_t> m_units;
};

// The UTF-16 form of 936 bytes.
WideText Wide(const char* text);
WideText Wide(const std::string& text);

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
    WideText m_text;
};

}  // namespace win32
