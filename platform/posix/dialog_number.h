// The numbers of dialog items, as Windows' GetDlgItemInt and SetDlgItemInt
// read and write them, for the backends that keep a field's text
// themselves.
#pragma once

#include <string>

namespace posix {

// As Microsoft documents GetDlgItemInt: leading spaces skipped, an
// optional minus sign (when signed), then decimal digits up to the first
// character that is not one ("100 " and "100\n" read 100, "1,000" reads 1);
// no digit, or a number out of range of the signed or unsigned 32-bit
// value, fails.
bool DialogNumber(const std::string& text, bool isSigned, long long* value);
// The decimal text of value, as a signed 32-bit number with isSigned.
std::string DialogNumberText(unsigned value, bool isSigned);

}  // namespace posix
