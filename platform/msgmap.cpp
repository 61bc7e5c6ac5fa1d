#include "platform/msgmap.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {
        { 0, 0, 0, AfxSig_end, nullptr, nullptr },
    };
    static const AFX_MSGMAP map = { nullptr, &entries[0] };
    return &map;
}

bool CCmdTarget::Dispatch(UINT message, UINT code, UINT id, LRESULT* result)
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != message || e->nCode != code || e->nID != id)
                continue;
            LRESULT value = 0;
            if (e->nSig == AfxSig_hv)
                value = reinterpret_cast<LRESULT>((this->*e->pfnCursor)());
            else
                (this->*e->pfn)();
            if (result)
                *result = value;
            return true;
        }
    }
    return false;
}
