// The window system's types and constants for the win32 backend: the real
// Windows headers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commdlg.h>
#include <commctrl.h>

// The layer's own names for the Windows functions it wraps would clash with
// these macros of the ANSI build; the layer calls the W functions explicitly.
#undef MessageBox
#undef GetMessage
#undef SendMessage
#undef SendDlgItemMessage
#undef PostMessage
#undef LoadIcon
#undef DrawText
