#include "core/derived_values.h"

#include <cstdint>

#include "core/cut_form.h"

void ApplyBytesPerSecondRule(CWnd& form)
{
    if (ReadNumber(form, IDC_TOTAL_SECONDS) == 0)
        return;
    // Both as unsigned 32-bit: a negative total acts as a huge divisor.
    uint32_t seconds = static_cast<uint32_t>(ReadNumber(form, IDC_TOTAL_SECONDS));
    uint32_t size = static_cast<uint32_t>(ReadNumber(form, IDC_FILE_SIZE));
    WriteNumber(form, IDC_BYTES_PER_SECOND, size / seconds);
}

void ApplyCutRangeRule(CWnd& form)
{
    int32_t start = ReadNumber(form, IDC_START_SECONDS);
    int32_t end = ReadNumber(form, IDC_END_SECONDS);
    if (start == 0)
        return;
    // Products and differences keep their low 32 bits, computed unsigned so
    // that wrapping is defined.
    uint32_t rate = static_cast<uint32_t>(ReadNumber(form, IDC_BYTES_PER_SECOND));
    WriteNumber(form, IDC_START_BYTE, static_cast<uint32_t>(start) * rate);
    if (end > start) {
        uint32_t span = static_cast<uint32_t>(ReadNumber(form, IDC_END_SECONDS)) -
                        static_cast<uint32_t>(ReadNumber(form, IDC_START_SECONDS));
        WriteNumber(form, IDC_BYTE_COUNT, span * rate);
    } else {
        ClearField(form, IDC_BYTE_COUNT);
    }
}
