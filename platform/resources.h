// Resources of the running module.
#pragma once

#include "platform_types.h"

// The module whose resources hold the named resource of the given type.
HINSTANCE AfxFindResourceHandle(LPCTSTR name, LPCTSTR type);
// The icon resource `id` of that module, at the system's large icon size.
// Icons loaded from resources belong to the module and are never released.
HICON AfxLoadIcon(UINT id);
// The system's icon width (SM_CXICON) or height (SM_CYICON).
int AfxGetSystemMetrics(int index);
