// The runtime's multibyte code page, which CString's double-byte rules
// follow: set to the system's ANSI code page (936 for this program's users)
// before any of the program's own code runs.
#include <mbctype.h>

#include "platform/cstring.h"

namespace {

struct AnsiCodePage {
    AnsiCodePage() { _setmbcp(_MB_CP_ANSI); }
};

// Priority 101 is the first one left to programs (0 to 100 belong to the
// toolchain), so this runs before every static initialiser of default
// priority, the application object's constructor among them. It lives in
// the file that answers AfxIsLeadByte, so every program that folds or
// searches a CString links it.
AnsiCodePage g_ansiCodePage __attribute__((init_priority(101)));

}  // namespace

bool AfxIsLeadByte(unsigned char c)
{
    return _ismbblead(c) != 0;
}
