// DLLs come from the system folder only. A portable program is often run
// from a Downloads folder, where a web page may have left DLLs beforehand;
// Windows looks beside the program first for every DLL that is not a
// KnownDLL, and the common dialogs pull in several such (uxtheme, version,
// compstui, ...). The process's search is restricted before any of the
// program's code runs (dllsearch_win32.cpp).
#pragma once

#include "platform_types.h"

// Loads a DLL of the system folder, never one of the same name elsewhere.
HMODULE AfxLoadSystemLibrary(const wchar_t* name);
