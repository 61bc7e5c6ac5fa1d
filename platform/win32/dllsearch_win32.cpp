// Restricts the process's DLL search to the system folder, at start-up.
#include "platform/win32/system_library.h"

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryFunction)(LPCWSTR);

FARPROC Kernel32Function(const char* name)
{
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? ::GetProcAddress(kernel32, name) : nullptr;
}

// SetDefaultDllDirectories came with Windows 8 (and an update of 7), so it
// is looked up rather than imported; it also covers the DLLs that a loaded
// DLL imports. Where it is missing, SetDllDirectory("") at least takes the
// current folder out of the search. True when the search is the system
// folder's only.
bool RestrictDllSearch()
{
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(Kernel32Function("SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
        reinterpret_cast<void*>(Kernel32Function("SetDllDirectoryW")));
    if (setDirectory)
        setDirectory(L"");
    return false;
}

struct DllSearch {
    bool systemOnly = RestrictDllSearch();
};

// Priority 101, as the code page's: before every static initialiser of
// default priority, and so before anything of the program can load a DLL.
// This file answers AfxLoadSystemLibrary, so every program that loads
// comdlg32 links it.
DllSearch g_dllSearch __attribute__((init_priority(101)));

}  // namespace

// LOAD_LIBRARY_SEARCH_SYSTEM32 is understood only where
// SetDefaultDllDirectories exists; elsewhere LoadLibraryEx refuses it.
HMODULE AfxLoadSystemLibrary(const wchar_t* name)
{
    if (g_dllSearch.systemOnly)
        return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return ::LoadLibraryW(name);
}
