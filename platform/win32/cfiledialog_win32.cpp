// CFileDialog over GetOpenFileName and GetSaveFileName.
#include <string>

#include "platform/cfiledialog.h"
#include "platform/cwinapp.h"
#include "platform/win32/system_library.h"

namespace {

// Room for the longest path the system knows (32767 characters); the ANSI
// file functions open only far shorter ones, double-byte ones included.
constexpr size_t kFileBufferSize = 32768;

// The layer's filter ends each piece with '|'; the common dialogs want a NUL
// after each piece and one more at the end. A double-byte character is
// stepped over whole, since its trail byte may be 0x7C, the code of '|'.
std::string DialogFilter(const CString& filter)
{
    std::string pieces = filter.Str();
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (AfxIsLeadByte(static_cast<unsigned char>(pieces[i])) && i + 1 < pieces.size())
            ++i;
        else if (pieces[i] == '|')
            pieces[i] = '\0';
    }
    pieces.push_back('\0');
    pieces.push_back('\0');
    return pieces;
}

typedef BOOL(WINAPI* FileDialogFunction)(LPOPENFILENAMEA);

// comdlg32 is loaded at the first file dialog, not at start-up: linked
// directly it brings seven more DLLs into the process before the dialog can
// show (a quarter of the start-up time under Wine). Loaded once, it stays;
// from the system folder only (system_library.h).
FileDialogFunction FileDialogFunctionFor(BOOL open)
{
    static HMODULE library = AfxLoadSystemLibrary("comdlg32.dll");
    if (!library)
        return nullptr;
    FARPROC function = ::GetProcAddress(library, open ? "GetOpenFileNameA" : "GetSaveFileNameA");
    return reinterpret_cast<FileDialogFunction>(reinterpret_cast<void*>(function));
}

}  // namespace

INT_PTR CFileDialog::DoModal()
{
    // The owner is disabled while the dialog is open.
    HWND owner = AfxOwnerWindow(m_pParentWnd, nullptr);

    std::string filter = DialogFilter(m_filter);
    std::string file = m_fileName.Str().substr(0, kFileBufferSize - 1);
    file.resize(kFileBufferSize, '\0');

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = m_filter.IsEmpty() ? nullptr : filter.c_str();
    dialog.lpstrFile = &file[0];
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = m_defaultExt.IsEmpty() ? nullptr : static_cast<LPCSTR>(m_defaultExt);
    dialog.Flags = m_flags;

    FileDialogFunction show = FileDialogFunctionFor(m_open);
    if (!show || !show(&dialog))
        return IDCANCEL;
    m_pathName = CString(file.c_str());
    return IDOK;
}
