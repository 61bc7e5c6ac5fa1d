// The rules that keep the computed fields in step while the user types.
// The byte rate is a constant-rate estimate: file size / playing time.
#pragma once

#include "platform/cwnd.h"

// On each change of IDC_TOTAL_SECONDS: IDC_BYTES_PER_SECOND = size / seconds,
// unsigned and truncating; a total that reads as 0 leaves it as it is.
void ApplyBytesPerSecondRule(CWnd& form);

// On each change of IDC_START_SECONDS or IDC_END_SECONDS: start byte =
// start * rate; byte count = (end - start) * rate when end > start, else
// empty. A start that reads as 0 changes nothing.
void ApplyCutRangeRule(CWnd& form);
