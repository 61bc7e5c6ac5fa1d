// Resources come from the program's own module.
#include "platform/resources.h"

HINSTANCE AfxFindResourceHandle(LPCTSTR /*name*/, LPCTSTR /*type*/)
{
    return ::GetModuleHandleW(nullptr);
}

HICON AfxLoadIcon(UINT id)
{
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    return ::LoadIconW(module, MAKEINTRESOURCEW(id));
}

int AfxGetSystemMetrics(int index)
{
    return ::GetSystemMetrics(index);
}
