#include "platform/posix/dialog_number.h"

#include <climits>

bool posix::DialogNumber(const std::string& text, bool isSigned, long long* value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (isSigned && i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == text.size() || text[i] < '0' || text[i] > '9')
        return false;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 0xFFFFFFFFLL)
            return false;
    }
    long long result = negative ? -magnitude : magnitude;
    bool inRange = isSigned ? (result >= INT_MIN && result <= INT_MAX) : result <= 0xFFFFFFFFLL;
    if (!inRange)
        return false;
    *value = result;
    return true;
}

std::string posix::DialogNumberText(unsigned value, bool isSigned)
{
    return isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
}
