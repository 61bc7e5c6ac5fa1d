// CWinThread over the C runtime's _beginthreadex (CreateThread would leave
// the runtime's per-thread data unset up); the clock is GetTickCount64.
#include <process.h>

#include "platform/cwinthread.h"

namespace {

struct Start {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall RunThread(void* start)
{
    Start run = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    return run.proc(run.param);
}

}  // namespace

BOOL CWinThread::CreateThread()
{
    if (m_handle != -1)
        return FALSE;
    Start* start = new Start{ m_proc, m_param };
    uintptr_t thread = ::_beginthreadex(nullptr, 0, RunThread, start, 0, nullptr);
    if (thread == 0) {
        delete start;
        return FALSE;
    }
    m_handle = static_cast<INT_PTR>(thread);
    return TRUE;
}

void CWinThread::Join()
{
    if (m_handle == -1)
        return;
    HANDLE thread = reinterpret_cast<HANDLE>(m_handle);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    m_handle = -1;
}

ULONGLONG AfxTickCount()
{
    return ::GetTickCount64();
}
