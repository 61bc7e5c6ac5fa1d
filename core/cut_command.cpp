#include "core/cut_command.h"

#include <cstdint>

#include "core/cut_copy.h"
#include "core/cut_form.h"
#include "core/cut_progress.h"
#include "core/file_length.h"
#include "core/messages.h"
#include "core/output_path.h"
#include "platform/cfile.h"
#include "platform/cfiledialog.h"

namespace {

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
    if (AnythingAt(chosen)) {
        ShowWarning(form, TXT_TARGET_EXISTS);
        return false;
    }
    *output = OutputPathFor(chosen);
    // A file at the lowered or suffixed path would be replaced just the same.
    if (*output != chosen && AnythingAt(*output)) {
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

}  // namespace

void RunCutCommand(CWnd& form)
{
    CString output;
    if (!ChooseOutput(form, &output))
        return;

    CString sourcePath = ReadText(form, IDC_SOURCE_PATH);
    if (!AnythingAt(sourcePath)) {
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

    // The copy can take long (a slow USB stick): it runs behind a progress
    // window and can be stopped. A stopped cut shows nothing, and neither
    // does one whose program is closing.
    CutCopy copy(source, start, static_cast<UINT>(count), output, sourcePath);
    CopyWithProgress(form, copy);
    if (copy.Abandoned())
        return;
    if (copy.GetOutcome() == CutCopy::failed)
        ShowWarning(form, copy.Message());
    else if (copy.GetOutcome() == CutCopy::saved)
        ShowInformation(form, TXT_CUT_DONE);
}
