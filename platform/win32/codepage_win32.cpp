// The runtime's multibyte code page, which CString's double-byte rules
// follow: the program's own, 936, set before any of the program's code runs,
// whatever the system's ANSI code page is (on a code page 932 system the
// bytes of "歌X" would otherwise read as one single-byte character and one
// double-byte one).
#include <mbctype.h>

#include "platform/cstring.h"
#include "text_win32.h"

namespace {

struct ProgramCodePage {
    ProgramCodePage() { _setmbcp(win32::kProgramCodePage); }
};

// Priority 101 is the first one left to programs (0 to 100 belong to the
// toolchain), so this runs before every static initialiser of default
// priority, the application object's constructor among them. It lives in
// the file that answers AfxIsLeadByte, so every program that folds or
// searches a CString links it.
ProgramCodePage g_programCodePage __attribute__((init_priority(101)));

}  // namespace

bool AfxIsLeadByte(unsigned char c)
{
    return _ismbblead(c) != 0;
}
