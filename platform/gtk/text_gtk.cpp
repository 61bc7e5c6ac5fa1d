#include "text_gtk.h"

#include "platform/posix/text_posix.h"

std::string gtk_text::Utf8(const char* text)
{
    std::string bytes;
    for (const char* at = text ? text : ""; *at; ++at) {
        if (at[0] == '\r' && at[1] == '\n')
            continue;
        bytes += *at;
    }
    return posix::Utf8From936(bytes);
}

CString gtk_text::Narrow(const char* utf8, bool* fits)
{
    std::string text = posix::Cp936FromUtf8(utf8 ? utf8 : "", fits);
    return CString(text.data(), static_cast<int>(text.size()));
}
