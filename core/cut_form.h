// The cut form: the dialog's eight edit fields are the program's only state.
// Every command reads the fields it needs by control ID when it runs.
//
//   IDC_SOURCE_PATH       full path of the source file
//   IDC_FILE_SIZE         its length in bytes (disabled)
//   IDC_TOTAL_SECONDS     its playing time in seconds, typed by the user
//   IDC_BYTES_PER_SECOND  size / seconds (disabled)
//   IDC_START_SECONDS     start of the cut in seconds
//   IDC_END_SECONDS       end of the cut in seconds
//   IDC_START_BYTE        first byte to cut; derived or typed
//   IDC_BYTE_COUNT        number of bytes to cut; derived or typed
#pragma once

#include <cstdint>

#include "platform/cstring.h"
#include "platform/cwnd.h"
#include "res/resource.h"

// A field's text as a signed 32-bit number; text that does not convert
// (empty, letters, out of range) reads as 0.
inline int32_t ReadNumber(const CWnd& form, int id)
{
    return static_cast<int32_t>(form.GetDlgItemInt(id, nullptr, TRUE));
}

// Shows the 32-bit value as signed decimal (a bit pattern of 2^31 or more
// shows as negative).
inline void WriteNumber(CWnd& form, int id, uint32_t value)
{
    form.SetDlgItemInt(id, value, TRUE);
}

inline void ClearField(CWnd& form, int id)
{
    form.SetDlgItemText(id, "");
}

inline CString ReadText(const CWnd& form, int id)
{
    CString text;
    form.GetDlgItemText(id, text);
    return text;
}
