// Conversions between code page 936 and UTF-8 through iconv. glibc's CP936
// is Windows' 936: GBK with the euro sign at 0x80.
#include "platform/posix/text_posix.h"

#include <iconv.h>

#include <cerrno>

namespace {

// Converts text, writing '?' for each character that either side cannot
// take and going on after it; *fits tells whether that ever happened.
std::string Convert(const char* to, const char* from, const std::string& text, bool* fits)
{
    bool allFit = true;
    std::string out;
    iconv_t converter = ::iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        if (fits)
            *fits = false;
        return out;
    }
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[256];
    while (inLeft > 0) {
        char* at = buffer;
        size_t room = sizeof buffer;
        size_t result = ::iconv(converter, &in, &inLeft, &at, &room);
        out.append(buffer, static_cast<size_t>(at - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: a byte of the source that is not a character
        // (936), or a character the target cannot hold (UTF-8 to 936).
        allFit = false;
        out += '?';
        size_t skip = 1;
        if (std::string(from) == "UTF-8") {
            // Past the whole UTF-8 character, not one byte of it.
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80)
                ++skip;
        }
        in += skip;
        inLeft -= skip;
        ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    ::iconv_close(converter);
    if (fits)
        *fits = allFit;
    return out;
}

}  // namespace

std::string posix::Utf8From936(const std::string& text, bool* fits)
{
    return Convert("UTF-8", "CP936", text, fits);
}

std::string posix::Cp936FromUtf8(const std::string& text, bool* fits)
{
    return Convert("CP936", "UTF-8", text, fits);
}

std::string posix::FolderOf(const std::string& name)
{
    size_t slash = name.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
}
