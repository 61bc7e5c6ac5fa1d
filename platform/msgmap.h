// Routing tables: one static table per class, mapping a window message (and
// for WM_COMMAND a notification code and control ID) to a member handler,
// with a link to the base class's table. One shared dispatch walks them, so
// both backends run the same routing.
#pragma once

#include <cstring>

#include "platform_types.h"

class CCmdTarget;

typedef void (CCmdTarget::*AFX_PMSG)();

// How an entry's handler is called; its pointer is stored as AFX_PMSG and
// cast back to this signature when it is called.
enum AfxSig {
    AfxSig_end = 0,
    AfxSig_vv,   // void Handler()
    AfxSig_hv,   // HCURSOR Handler()
    AfxSig_vw,   // void Handler(UINT_PTR wParam)
    AfxSig_lwl,  // LRESULT Handler(WPARAM, LPARAM)
    AfxSig_bv,   // BOOL Handler()
    AfxSig_vb,   // void Handler(BOOL wParam)
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    AfxSig nSig;
    AFX_PMSG pfn;
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
    // first, and calls the first handler found with what it takes of
    // wParam and lParam. Returns false when no entry matches; *result
    // receives a handler's return value.
    bool Dispatch(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result);

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
        { 0, 0, 0, AfxSig_end, nullptr }                        \
        };                                                      \
        static const AFX_MSGMAP map = {                         \
            &TheBaseClass::GetThisMessageMap, &entries[0] };    \
        return &map;                                            \
    }

// A handler's pointer as an entry stores it, and back; the bytes are copied,
// as every pointer to a member function of these classes has one size.
template <class Member>
AFX_PMSG AfxStoredHandler(Member fn)
{
    static_assert(sizeof fn == sizeof(AFX_PMSG), "a handler of another size");
    AFX_PMSG stored;
    std::memcpy(&stored, &fn, sizeof stored);
    return stored;
}

template <class Member>
Member AfxHandlerOf(AFX_PMSG stored)
{
    Member fn;
    std::memcpy(&fn, &stored, sizeof fn);
    return fn;
}

#define AFX_HANDLER(fn) static_cast<AFX_PMSG>(fn)
// A handler of another signature, through its own member pointer type.
#define AFX_HANDLER_AS(type, fn) AfxStoredHandler<type>(static_cast<type>(fn))

// void OnPaint()
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, AfxSig_vv, AFX_HANDLER(&ThisClass::OnPaint) },
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                 \
    { WM_QUERYDRAGICON, 0, 0, AfxSig_hv,      \
      AFX_HANDLER_AS(HCURSOR (CCmdTarget::*)(), &ThisClass::OnQueryDragIcon) },
// void OnTimer(UINT_PTR id)
#define ON_WM_TIMER()                         \
    { WM_TIMER, 0, 0, AfxSig_vw,              \
      AFX_HANDLER_AS(void (CCmdTarget::*)(UINT_PTR), &ThisClass::OnTimer) },
// BOOL OnQueryEndSession()
#define ON_WM_QUERYENDSESSION()               \
    { WM_QUERYENDSESSION, 0, 0, AfxSig_bv,    \
      AFX_HANDLER_AS(BOOL (CCmdTarget::*)(), &ThisClass::OnQueryEndSession) },
// void OnEndSession(BOOL ending)
#define ON_WM_ENDSESSION()                    \
    { WM_ENDSESSION, 0, 0, AfxSig_vb,         \
      AFX_HANDLER_AS(void (CCmdTarget::*)(BOOL), &ThisClass::OnEndSession) },
// LRESULT Handler(WPARAM, LPARAM)
#define ON_MESSAGE(message, fn)               \
    { (UINT)(message), 0, 0, AfxSig_lwl,      \
      AFX_HANDLER_AS(LRESULT (CCmdTarget::*)(WPARAM, LPARAM), fn) },
// void Handler()
#define ON_COMMAND(id, fn) \
    { WM_COMMAND, 0, (UINT)(id), AfxSig_vv, AFX_HANDLER(fn) },
// void Handler()
#define ON_BN_CLICKED(id, fn) \
    { WM_COMMAND, BN_CLICKED, (UINT)(id), AfxSig_vv, AFX_HANDLER(fn) },
// void Handler()
#define ON_EN_CHANGE(id, fn) \
    { WM_COMMAND, EN_CHANGE, (UINT)(id), AfxSig_vv, AFX_HANDLER(fn) },
