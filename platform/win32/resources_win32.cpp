// Resources come from the program's own module.
#include "platform/resources.h"

HINSTANCE AfxFindResourceHandle(LPCTSTR /*name*/, LPCTSTR /*type*/)
{
    return ::GetModuleHandleA(nullptr);
}

HICON AfxLoadIcon(UINT id)
{
    LPCSTR name = MAKEINTRESOURCEA(id);
    return ::LoadIconA(AfxFindResourceHandle(name, RT_GROUP_ICON), name);
}

int AfxGetSystemMetrics(int index)
{
    return ::GetSystemMetrics(index);
}
