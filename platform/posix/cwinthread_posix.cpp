// CWinThread on POSIX threads; the clock is CLOCK_MONOTONIC, or a test's.
#include <pthread.h>
#include <time.h>

#include "platform/cwinthread.h"
#include "platform/posix/file_hooks.h"

namespace {

struct Start {
    AFX_THREADPROC proc;
    LPVOID param;
};

void* RunThread(void* start)
{
    Start run = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    run.proc(run.param);
    return nullptr;
}

}  // namespace

BOOL CWinThread::CreateThread()
{
    if (m_handle != -1)
        return FALSE;
    pthread_t thread;
    Start* start = new Start{ m_proc, m_param };
    if (::pthread_create(&thread, nullptr, RunThread, start) != 0) {
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
    ::pthread_join(static_cast<pthread_t>(m_handle), nullptr);
    m_handle = -1;
}

ULONGLONG AfxTickCount()
{
    posix::FileHooks* hooks = posix::ActiveFileHooks();
    if (hooks && hooks->clock)
        return hooks->clock();
    struct timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}
