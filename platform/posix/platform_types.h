// The window system's types and constants for the backends that run on
// POSIX systems (headless, gtk).
// Values are those of the Windows headers, so code and tests that compare
// them (MB_ICONEXCLAMATION is 0x30, EN_CHANGE is 0x300) mean the same thing
// in every backend.
#pragma once

#include <cstdint>

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef int32_t LONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef UINT_PTR WPARAM;
typedef INT_PTR LPARAM;
typedef INT_PTR LRESULT;
typedef void* LPVOID;
typedef const char* LPCSTR;
typedef const char* LPCTSTR;

// Opaque handles. Each backend defines HWND__ itself; the others only
// need to be distinct pointer types.
struct HWND__;
struct HICON__;
struct HDC__;
struct HINSTANCE__;
typedef HWND__* HWND;
typedef HICON__* HICON;
typedef HICON HCURSOR;
typedef HDC__* HDC;
typedef HINSTANCE__* HINSTANCE;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(lo, hi) ((WPARAM)(((DWORD)(WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3

#define MB_OK 0x00000000u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONINFORMATION 0x00000040u

#define OFN_HIDEREADONLY 0x00000004u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_FILEMUSTEXIST 0x00001000u

#define WM_CLOSE 0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_ENDSESSION 0x0016
#define WM_PAINT 0x000F
#define WM_ICONERASEBKGND 0x0027
#define WM_QUERYDRAGICON 0x0037
#define WM_SETICON 0x0080
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WM_APP 0x8000

// The progress bar's messages (commctrl.h).
#define PBM_SETPOS (WM_USER + 2)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETPOS (WM_USER + 8)

#define ICON_SMALL 0
#define ICON_BIG 1

#define BN_CLICKED 0
#define EN_CHANGE 0x0300

#define SM_CXICON 11
#define SM_CYICON 12

#define RT_GROUP_ICON 14
#define MAKEINTRESOURCE(i) ((LPCSTR)((UINT_PTR)((WORD)(i))))
