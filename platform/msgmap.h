// Routing tables: one static table per class, mapping a window message (and
// for WM_COMMAND a notification code and control ID) to a member handler,
// with a link to the base class's table. One shared dispatch walks them, so
// both backends run the same routing.
#pragma once

#include "platform_types.h"

class CCmdTarget;

typedef void (CCmdTarget::*AFX_PMSG)();
typedef HCURSOR (CCmdTarget::*AFX_PMSG_HCURSOR)();

enum AfxSig {
    AfxSig_end = 0,
    AfxSig_vv,  // void Handler()
    AfxSig_hv,  // HCURSOR Handler()
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    AfxSig nSig;
    AFX_PMSG pfn;
    AFX_PMSG_HCURSOR pfnCursor;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The root of every class that has a routing table.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Looks up (message, code, id) in this object's tables, most derived
    // first, and calls the first handler found. Returns false when no entry
    // matches; *result receives a handler's return value.
    bool Dispatch(UINT message, UINT code, UINT id, LRESULT* result);

    virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }
    static const AFX_MSGMAP* GetThisMessageMap();
};

#define DECLARE_MESSAGE_MAP()                                   \
protected:                                                      \
    static const AFX_MSGMAP* GetThisMessageMap();               \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                  \
    const AFX_MSGMAP* theClass::GetMessageMap() const           \
    {                                                           \
        return GetThisMessageMap();                             \
    }                                                           \
    const AFX_MSGMAP* theClass::GetThisMessageMap()             \
    {                                                           \
        using ThisClass [[maybe_unused]] = theClass;            \
        typedef baseClass TheBaseClass;                         \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                       \
        { 0, 0, 0, AfxSig_end, nullptr, nullptr }               \
        };                                                      \
        static const AFX_MSGMAP map = {                         \
            &TheBaseClass::GetThisMessageMap, &entries[0] };    \
        return &map;                                            \
    }

#define AFX_HANDLER(fn) static_cast<AFX_PMSG>(fn)

// void OnPaint()
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, AfxSig_vv, AFX_HANDLER(&ThisClass::OnPaint), nullptr },
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                     \
    { WM_QUERYDRAGICON, 0, 0, AfxSig_hv, nullptr, \
      static_cast<AFX_PMSG_HCURSOR>(&ThisClass::OnQueryDragIcon) },
// void Handler()
#define ON_COMMAND(id, fn) \
    { WM_COMMAND, 0, (UINT)(id), AfxSig_vv, AFX_HANDLER(fn), nullptr },
// void Handler()
#define ON_BN_CLICKED(id, fn) \
    { WM_COMMAND, BN_CLICKED, (UINT)(id), AfxSig_vv, AFX_HANDLER(fn), nullptr },
// void Handler()
#define ON_EN_CHANGE(id, fn) \
    { WM_COMMAND, EN_CHANGE, (UINT)(id), AfxSig_vv, AFX_HANDLER(fn), nullptr },
