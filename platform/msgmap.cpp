#include "platform/msgmap.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {
        { 0, 0, 0, AfxSig_end, nullptr },
    };
    static const AFX_MSGMAP map = { nullptr, &entries[0] };
    return &map;
}

bool CCmdTarget::Dispatch(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != message || e->nCode != code || e->nID != id)
                continue;
            LRESULT value = 0;
            switch (e->nSig) {
            case AfxSig_hv:
                value = reinterpret_cast<LRESULT>((this->*AfxHandlerOf<HCURSOR (CCmdTarget::*)()>(e->pfn))());
                break;
            case AfxSig_vw:
                (this->*AfxHandlerOf<void (CCmdTarget::*)(UINT_PTR)>(e->pfn))(static_cast<UINT_PTR>(wParam));
                break;
            case AfxSig_lwl:
                value = (this->*AfxHandlerOf<LRESULT (CCmdTarget::*)(WPARAM, LPARAM)>(e->pfn))(wParam, lParam);
                break;
            case AfxSig_bv:
                value = (this->*AfxHandlerOf<BOOL (CCmdTarget::*)()>(e->pfn))();
                break;
            case AfxSig_vb:
                (this->*AfxHandlerOf<void (CCmdTarget::*)(BOOL)>(e->pfn))(static_cast<BOOL>(wParam));
                break;
            default:
                (this->*e->pfn)();
                break;
            }
            if (result)
                *result = value;
            return true;
        }
    }
    return false;
}
