// The copy of a cut, from the checked source to the output under its chosen
// name: the part of the cut command that can take long. It runs on a worker
// thread (cut_progress.h); nothing here touches a window but for posting to
// the one that follows the copy. The dialog's thread reads its progress
// while it runs and its outcome once it has ended.
#pragma once

#include <atomic>

#include "platform/cfile.h"
#include "platform/cstring.h"
#include "platform/cwnd.h"

// Posted to the window that follows a copy, after each piece that reached
// the disk and once when the copy has ended.
#define WM_CUT_PROGRESS (WM_APP + 1)

class CutCopy {
public:
    enum Outcome { saved, cancelled, failed };

    // The source is open and its range checked; the copy closes it.
    CutCopy(CFile& source, LONGLONG start, UINT count, const CString& output, const CString& sourcePath);
    CutCopy(const CutCopy&) = delete;
    CutCopy& operator=(const CutCopy&) = delete;

    // Copies on the calling thread, to the end; posts WM_CUT_PROGRESS to
    // follower (when given) as it goes.
    void Run(CWnd* follower);
    // Run on a worker thread: param is the CutCopy, its follower set.
    static UINT ThreadProc(LPVOID param);
    void SetFollower(CWnd* follower) { m_follower = follower; }

    // From the dialog's thread, while it runs. Stop ends the copy at its
    // next piece and removes what it wrote; Abandon does the same for a
    // program that is closing, which then shows no message at all.
    void Stop() { m_stop.store(true); }
    void Abandon();
    bool StopRequested() const { return m_stop.load(); }
    bool Abandoned() const { return m_abandoned.load(); }
    ULONGLONG BytesOnDisk() const { return m_onDisk.load(); }
    UINT Total() const { return m_count; }
    ULONGLONG StartedAt() const { return m_startedAt.load(); }
    bool Ended() const { return m_ended.load(std::memory_order_acquire); }

    // Once Ended().
    Outcome GetOutcome() const { return m_outcome; }
    // What the user is told of a failure.
    const CString& Message() const { return m_message; }

private:
    Outcome Copy();
    // Writes the slice in pieces, each on the disk before it counts. False
    // on a failure, or when stopped.
    bool WritePieces(const class CFileSlice& slice, CFile& file);
    Outcome Fail(const CString& message);

    CFile& m_source;
    LONGLONG m_start;
    UINT m_count;
    CString m_output;
    CString m_sourcePath;
    CWnd* m_follower = nullptr;

    std::atomic<bool> m_stop{ false };
    std::atomic<bool> m_abandoned{ false };
    std::atomic<ULONGLONG> m_onDisk{ 0 };
    std::atomic<ULONGLONG> m_startedAt{ 0 };
    std::atomic<bool> m_ended{ false };
    Outcome m_outcome = failed;
    CString m_message;
};

// How many bytes the next piece holds, after a piece of last bytes (0 for
// the first), when the disk last took measured bytes in measuredMs (none
// yet: 0).
UINT NextPieceSize(UINT last, UINT measured, ULONGLONG measuredMs);
