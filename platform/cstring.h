// CString: a byte string in the ANSI code page (936 for this program).
// Case folding and searching step over double-byte characters, so the trail
// byte of a character is never folded or matched on its own.
#pragma once

#include <string>

#include "platform_types.h"

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* bytes, int length) : m_text(bytes, length) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    operator LPCTSTR() const { return m_text.c_str(); }
    const std::string& Str() const { return m_text; }

    CString& operator+=(const CString& other) { m_text += other.m_text; return *this; }
    CString& operator+=(const char* other) { m_text += other; return *this; }
    friend CString operator+(CString a, const CString& b) { a += b; return a; }
    friend CString operator+(CString a, const char* b) { a += b; return a; }
    friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_text != b.m_text; }

    // Folds A-Z of single-byte characters; double-byte characters stay as they are.
    void MakeLower();
    // Index of the first occurrence of sub that starts on a character boundary, or -1.
    int Find(const char* sub) const;
    // Index of the last character equal to ch (single-byte), or -1.
    int ReverseFind(char ch) const;
    CString Left(int count) const;
    CString Mid(int first) const;

private:
    // Length in bytes of the character that starts at index i.
    int CharLength(int i) const;

    std::string m_text;
};

// True when c starts a double-byte character in the runtime's multibyte
// code page. Each backend answers it from its own code page.
bool AfxIsLeadByte(unsigned char c);
