#include "core/cut_command.h"

#include <cstdint>

#include "core/cut_form.h"
#include "core/file_length.h"
#include "core/messages.h"
#include "core/output_path.h"
#include "platform/cfile.h"
#include "platform/cfiledialog.h"
#include "platform/cfileslice.h"
#include "platform/cfilefind.h"

namespace {

bool Exists(const CString& path)
{
    CFileFind finder;
    bool found = finder.FindFile(path) != FALSE;
    finder.Close();
    return found;
}

// Asks for the output name. False when cancelled, when the program cannot
// hold the name, or when the name is taken, before or after forming the
// output path.
bool ChooseOutput(CWnd& form, CString* output)
{
    CFileDialog dialog(FALSE, TXT_DEFAULT_EXT, nullptr, OFN_HIDEREADONLY, TXT_FILTER);
    if (dialog.DoModal() != IDOK)
        return false;
    CString chosen = dialog.GetPathName();
    if (!dialog.PathNameFits()) {
        ShowWarning(form, UnfitNameMessage(chosen));
        return false;
    }
    if (Exists(chosen)) {
        ShowWarning(form, TXT_TARGET_EXISTS);
        return false;
    }
    *output = OutputPathFor(chosen);
    // A file at the lowered or suffixed path would be replaced just the same.
    if (*output != chosen && Exists(*output)) {
        ShowWarning(form, TXT_TARGET_EXISTS);
        return false;
    }
    return true;
}

// The range checks on signed 32-bit values. The first two are the tool's
// own; the last refuses what they let through: negative values, and a sum
// start + count that wraps past 2^31 - 1.
bool RangeInFile(CWnd& form, int32_t length, int32_t start, int32_t count)
{
    if (!(length > start)) {
        ShowWarning(form, TXT_START_NOT_IN_FILE);
        return false;
    }
    int32_t wrappedEnd = static_cast<int32_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(count));
    if (!(length > wrappedEnd)) {
        ShowWarning(form, TXT_RANGE_NOT_IN_FILE);
        return false;
    }
    if (start < 0 || count < 0) {
        ShowWarning(form, TXT_NEGATIVE_RANGE);
        return false;
    }
    if (static_cast<int64_t>(start) + count >= length) {
        ShowWarning(form, TXT_RANGE_NOT_IN_FILE);
        return false;
    }
    return true;
}

// Creates the output, failing if anything appeared at its path since the
// check, and writes the slice. A failed write, or a slice that lost bytes
// meanwhile, removes the file.
bool WriteSlice(CWnd& form, const CString& output, const CString& sourcePath, const CFileSlice& slice)
{
    CFile file;
    if (!file.Open(output, CFile::modeCreateNew | CFile::modeWrite)) {
        ShowWarning(form, Exists(output) ? CString(TXT_TARGET_EXISTS) : OpenFailedMessage(output));
        return false;
    }
    bool written = slice.WriteTo(file) != FALSE;
    bool closed = file.Close() != FALSE;
    // A source that shrank during the write left zeros or a gap in the copy.
    if (written && closed && !slice.Intact()) {
        CFile::Remove(output);
        ShowWarning(form, ReadFailedMessage(sourcePath));
        return false;
    }
    if (!written || !closed) {
        CFile::Remove(output);
        ShowWarning(form, WriteFailedMessage(output));
        return false;
    }
    return true;
}

}  // namespace

void RunCutCommand(CWnd& form)
{
    CString output;
    if (!ChooseOutput(form, &output))
        return;

    CString sourcePath = ReadText(form, IDC_SOURCE_PATH);
    if (!Exists(sourcePath)) {
        ShowWarning(form, SourceMissingMessage(sourcePath));
        return;
    }
    // Read access to an existing file only: opening never creates one.
    CFile source;
    if (!source.Open(sourcePath, CFile::modeRead)) {
        ShowWarning(form, OpenFailedMessage(sourcePath));
        return;
    }

    int32_t length = CheckedLength(source.GetLength());
    int32_t start = ReadNumber(form, IDC_START_BYTE);
    int32_t count = ReadNumber(form, IDC_BYTE_COUNT);
    if (!RangeInFile(form, length, start, count))
        return;

    // The whole slice in memory at once: one load, one write. The output is
    // created only once every byte is in and the source closed; a source that
    // shrank since its length was taken fails the load.
    CFileSlice slice;
    CFileSlice::Result loaded = slice.Load(source, start, static_cast<UINT>(count));
    if (loaded == CFileSlice::noMemory) {
        ShowWarning(form, TXT_OUT_OF_MEMORY);
        return;
    }
    if (loaded != CFileSlice::loaded || !source.Close()) {
        ShowWarning(form, ReadFailedMessage(sourcePath));
        return;
    }
    if (!WriteSlice(form, output, sourcePath, slice))
        return;
    ShowInformation(form, TXT_CUT_DONE);
}
