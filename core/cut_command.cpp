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
#include "platform/path_rules.h"

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

// Names tried for the unfinished file before the cut gives up: one left by
// each killed cut in the folder is stepped over.
constexpr int kUnfinishedNames = 10000;

// Creates the file the slice goes to until it is complete: the first free
// unfinished name beside the output. A failure other than a taken name ends
// the search.
bool CreateUnfinished(CFile& file, const CString& output, CString* unfinished)
{
    for (int attempt = 1; attempt <= kUnfinishedNames; ++attempt) {
        *unfinished = UnfinishedPathFor(output, attempt);
        if (file.Open(*unfinished, CFile::modeCreateNew | CFile::modeWrite | CFile::modeHidden))
            return true;
        if (!Exists(*unfinished))
            return false;
    }
    return false;
}

// What the user is told when the complete file could not take the output's
// name; empty when it did. A file that another program (a virus scanner)
// held past the layer's patience, or whose new name the disk did not store,
// was written but could not be saved: a failed write. Any other refusal of
// the name is the file system's, where creating the output failed before:
// the same message as then.
CString RenameFailure(CFile::RenameResult named, const CString& output)
{
    switch (named) {
    case CFile::renamed:
        return CString();
    case CFile::targetExists:
        return TXT_TARGET_EXISTS;
    case CFile::fileInUse:
    case CFile::nameNotStored:
        return WriteFailedMessage(output);
    default:
        return OpenFailedMessage(output);
    }
}

// Writes the slice under an unfinished name and gives it the output's name
// only once every byte is written, on the disk, and the file closed, so that
// neither a cut that is killed part-way nor a power cut after the success
// message leaves a short file (or one of zeros) under the chosen name: a
// file system may store the rename before the data. The rename never
// replaces: a name that appeared since the check is left as it is. Every
// failure removes what the cut wrote, under whichever name it stands, so
// that no failure leaves a file under the chosen name. A name the folder
// cannot hold is refused before any byte is written, as creating the output
// there would have been.
bool WriteSlice(CWnd& form, const CString& output, const CString& sourcePath, const CFileSlice& slice)
{
    if (!AfxNameFitsFolder(output)) {
        ShowWarning(form, OpenFailedMessage(output));
        return false;
    }
    CFile file;
    CString unfinished;
    if (!CreateUnfinished(file, output, &unfinished)) {
        ShowWarning(form, Exists(output) ? CString(TXT_TARGET_EXISTS) : OpenFailedMessage(output));
        return false;
    }
    bool written = slice.WriteTo(file) && file.Flush();
    bool closed = file.Close() != FALSE;
    CString failure;
    CString left = unfinished;  // where the written file stands
    if (!written || !closed) {
        failure = WriteFailedMessage(output);
    } else if (!slice.Intact()) {  // a source that shrank left zeros or a gap in the copy
        failure = ReadFailedMessage(sourcePath);
    } else {
        CFile::RenameResult named = CFile::Rename(unfinished, output);
        failure = RenameFailure(named, output);
        if (named == CFile::nameNotStored)
            left = output;
    }
    if (failure.IsEmpty())
        return true;
    CFile::Remove(left);
    ShowWarning(form, failure);
    return false;
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
    // begun only once every byte is in and the source closed; a source that
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
