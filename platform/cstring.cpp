#include "platform/cstring.h"

#include <cstring>

int CString::CharLength(int i) const
{
    bool pair = AfxIsLeadByte(static_cast<unsigned char>(m_text[i])) && i + 1 < GetLength();
    return pair ? 2 : 1;
}

void CString::MakeLower()
{
    for (int i = 0; i < GetLength(); i += CharLength(i)) {
        char& c = m_text[i];
        if (CharLength(i) == 1 && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

int CString::Find(const char* sub) const
{
    size_t subLength = std::strlen(sub);
    for (int i = 0; i < GetLength(); i += CharLength(i)) {
        if (m_text.compare(i, subLength, sub) == 0)
            return i;
    }
    return subLength == 0 ? 0 : -1;
}

int CString::ReverseFind(char ch) const
{
    int found = -1;
    for (int i = 0; i < GetLength(); i += CharLength(i)) {
        if (CharLength(i) == 1 && m_text[i] == ch)
            found = i;
    }
    return found;
}

CString CString::Left(int count) const
{
    std::string part = m_text.substr(0, count < 0 ? 0 : count);
    return CString(part.data(), static_cast<int>(part.size()));
}

CString CString::Mid(int first) const
{
    if (first >= GetLength())
        return CString();
    if (first < 0)
        first = 0;
    std::string rest = m_text.substr(first);
    return CString(rest.data(), static_cast<int>(rest.size()));
}
