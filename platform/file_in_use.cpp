#include "platform/file_in_use.h"

void AfxRetryWhileInUse(const std::function<bool()>& attempt)
{
    if (!attempt())
        return;
    for (int pause : kFileInUsePausesMs) {
        AfxPauseMs(pause);
        if (!attempt())
            return;
    }
}
