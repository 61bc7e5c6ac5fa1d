// The program's 32-bit view of a file's length.
#pragma once

#include <cstdint>

#include "platform_types.h"

// The length as field IDC_FILE_SIZE shows it: the 32-bit value, which shows
// as negative from 2^31 bytes on. From 4 GiB on the low 32 bits would show a
// plausible small size, so the largest 32-bit value (shown as -1) stands
// in for it instead.
inline uint32_t ShownLength(ULONGLONG length)
{
    return length > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(length);
}

// The length as the cut's checks compare it, signed 32-bit: every source of
// 2^31 bytes or more counts as the most negative value, so that no start
// passes the start check, whatever the low 32 bits of a length past 4 GiB
// look like.
inline int32_t CheckedLength(ULONGLONG length)
{
    return length > 0x7FFFFFFFull ? INT32_MIN : static_cast<int32_t>(length);
}
