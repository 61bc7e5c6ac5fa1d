// CPaintDC over BeginPaint and EndPaint: EndPaint validates the area that
// the WM_PAINT was for, so the window does not get the same paint again.
#include "platform/cpaintdc.h"

CPaintDC::CPaintDC(CWnd* wnd) : m_pWnd(wnd), m_hDC(nullptr), m_paint(new PAINTSTRUCT())
{
    m_hDC = ::BeginPaint(wnd->m_hWnd, static_cast<PAINTSTRUCT*>(m_paint));
}

CPaintDC::~CPaintDC()
{
    PAINTSTRUCT* paint = static_cast<PAINTSTRUCT*>(m_paint);
    ::EndPaint(m_pWnd->m_hWnd, paint);
    delete paint;
}

BOOL CPaintDC::DrawIcon(int x, int y, HICON icon)
{
    return ::DrawIcon(m_hDC, x, y, icon);
}
