// CWinThread: a second thread, and the clock that long work is timed by.
//
// Everything the user sees runs on the dialog's one thread. Only the copy
// of a long cut runs on a thread of its own (and on Windows, where a flush
// can only be waited for, its flushes on one more, CFile's): a single
// write or flush to a slow USB stick can block for seconds, and the window
// would stop answering meanwhile. The worker never touches a window; it
// reports back by posting messages (CWnd::PostMessage), which the dialog's
// thread handles in its own loop.
#pragma once

#include "platform_types.h"

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC proc, LPVOID param) : m_proc(proc), m_param(param) {}
    // Waits for the thread, if it runs: a worker never outlives its owner.
    ~CWinThread() { Join(); }
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts proc(param) on a new thread. FALSE when the system cannot.
    BOOL CreateThread();
    // Returns once the thread has ended; at once when none was started.
    void Join();

private:
    AFX_THREADPROC m_proc;
    LPVOID m_param;
    INT_PTR m_handle = -1;  // the backend's handle while the thread runs
};

// Milliseconds of a clock that only goes forward, from an arbitrary start.
ULONGLONG AfxTickCount();
