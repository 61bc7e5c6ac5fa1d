#include "core/open_source.h"

#include "core/cut_form.h"
#include "core/file_length.h"
#include "core/messages.h"
#include "platform/cfile.h"
#include "platform/cfiledialog.h"

void RunOpenSourceCommand(CWnd& form)
{
    CFileDialog dialog(TRUE, TXT_DEFAULT_EXT, TXT_OPEN_INITIAL_NAME,
                       OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TXT_FILTER);
    if (dialog.DoModal() != IDOK)
        return;
    CString path = dialog.GetPathName();
    // A name the program cannot hold would stand for another file, or none.
    if (!dialog.PathNameFits()) {
        ShowWarning(form, UnfitNameMessage(path));
        return;
    }
    form.SetDlgItemText(IDC_SOURCE_PATH, path);

    // Read access to an existing file only: opening never creates one.
    CFile file;
    if (!file.Open(path, CFile::modeRead)) {
        ClearField(form, IDC_SOURCE_PATH);
        ShowWarning(form, OpenFailedMessage(path));
        return;
    }
    WriteNumber(form, IDC_FILE_SIZE, ShownLength(file.GetLength()));
}
