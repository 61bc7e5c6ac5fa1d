// The numbers of dialog items, as Windows' GetDlgItemInt and SetDlgItemInt
// read and write them, for the backends that keep a field's text
// themselves.
#pragma once

#include <string>

#include "platform_types.h"

namespace posix {

// Leading blanks, an optional minus sign (when signed), decimal digits,
// nothing after; out of range of the signed or unsigned 32-bit value fails.
bool DialogNumber(const std::string& text, bool isSigned, long long* value);
// The decimal text of value, as a signed 32-bit number with isSigned.
std::string DialogNumberText(UINT value, bool isSigned);

}  // namespace posix
