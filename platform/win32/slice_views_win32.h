// How much of a slice the win32 backend maps at once.
#pragma once

#include <windows.h>

namespace win32 {

// A slice whose view would be longer than bytes is written through windows
// of its mapping, as one is that a 32-bit process has no room for. No limit
// but the address space by default; the layer tests lower it, so that the
// windowed path runs in a 64-bit process too.
void LimitSliceViews(SIZE_T bytes);

}  // namespace win32
