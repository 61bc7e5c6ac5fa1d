// CFileDialog over GetOpenFileNameW and GetSaveFileNameW.
#include <string>

#include "platform/cfiledialog.h"
#include "platform/cwinapp.h"
#include "platform/win32/system_library.h"
#include "text_win32.h"

namespace {

// Room for the longest path the system knows (32767 characters).
constexpr size_t kFileBufferSize = 32768;

// The layer's filter ends each piece with '|'; the common dialogs want a NUL
// after each piece and one more at the end. In UTF-16 a '|' is never part of
// another character (in code page 936 it can be a trail byte).
win32::WideText DialogFilter(const CString& filter)
{
    win32::WideText pieces = win32::Wide(filter);
    for (size_t i = 0; i < pieces.length(); ++i) {
        if (pieces.data()[i] == L'|')
            pieces.data()[i] = L'\0';
    }
    // With the text's own terminator, the second NUL.
    pieces.resize(pieces.length() + 1);
    return pieces;
}

typedef BOOL(WINAPI* FileDialogFunction)(LPOPENFILENAMEW);

// comdlg32 is loaded at the first file dialog, not at start-up: linked
// directly it brings seven more DLLs into the process before the dialog can
// show (a quarter of the start-up time under Wine). Loaded once, it stays;
// from the system folder only (system_library.h).
FileDialogFunction FileDialogFunctionFor(BOOL open)
{
    static HMODULE library = AfxLoadSystemLibrary(L"comdlg32.dll");
    if (!library)
        return nullptr;
    FARPROC function = ::GetProcAddress(library, open ? "GetOpenFileNameW" : "GetSaveFileNameW");
    return reinterpret_cast<FileDialogFunction>(reinterpret_cast<void*>(function));
}

}  // namespace

INT_PTR CFileDialog::DoModal()
{
    // The owner is disabled while the dialog is open.
    HWND owner = AfxOwnerWindow(m_pParentWnd, nullptr);

    win32::WideText filter = DialogFilter(m_filter);
    win32::WideText defaultExt = win32::Wide(m_defaultExt);
    // The initial name, cut to fit, then room up to the full buffer.
    win32::WideText file = win32::Wide(m_fileName);
    file.resize(kFileBufferSize - 1);

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = m_filter.IsEmpty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(kFileBufferSize);
    dialog.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    dialog.Flags = m_flags;

    FileDialogFunction show = FileDialogFunctionFor(m_open);
    if (!show || !show(&dialog))
        return IDCANCEL;
    m_pathName = win32::Narrow(file.c_str(), ::lstrlenW(file.c_str()), &m_pathNameFits);
    return IDOK;
}
