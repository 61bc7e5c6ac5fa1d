// CFile: a file of the file system, closed at the latest when the object
// goes. Failures are results, never exceptions: every caller decides what
// the user is told.
#pragma once

#include "platform_types.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        // No share flag: the file is held exclusively while open.
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        // Create a new file; fail if anything exists at the path already.
        modeCreateNew = 0x00100000,
        // A new file is created hidden where the file system keeps such an
        // attribute (Windows); elsewhere ignored.
        modeHidden = 0x00200000,
    };
    // fileInUse: another program held the file longer than Rename waits.
    // nameNotStored: the file has the new name, but the system reported a
    // failure putting that name on the disk.
    enum RenameResult { renamed, targetExists, fileInUse, nameNotStored, renameFailed };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens a regular file; a folder or device is refused. False on failure.
    BOOL Open(LPCTSTR path, UINT flags);
    bool IsOpen() const;
    // The full length in bytes; the position is unchanged. Callers that
    // need a 32-bit length apply their own rule to it.
    ULONGLONG GetLength() const;
    BOOL Seek(LONGLONG offset, UINT from);
    // Reads up to count bytes; *done receives how many were read (fewer at
    // the end of the file). False on a read error.
    BOOL Read(void* buffer, UINT count, UINT* done);
    // Writes all count bytes. False if any could not be written.
    BOOL Write(const void* buffer, UINT count);
    // Puts every byte written so far on the disk itself, past the system's
    // cache. False when the system reports a failure (data not stored).
    BOOL Flush();
    // Puts the bytes written at [offset, offset + length) on the disk
    // itself, so that a copy can count what is really stored as it goes;
    // the file's size and name get there with Flush. False when the system
    // reports a failure.
    BOOL FlushData(ULONGLONG offset, ULONGLONG length);
    // Starts putting those bytes on the disk and returns at once: a
    // FlushData of them later waits only for what is left, and the copy
    // goes on meanwhile. FALSE where the system cannot: nothing was started.
    BOOL BeginFlushData(ULONGLONG offset, ULONGLONG length);
    // False when the system reports a failure on closing (data not stored).
    BOOL Close();

    // Removes a file. False on failure. While another program holds the
    // file (file_in_use.h), tries again for about two seconds.
    static BOOL Remove(LPCTSTR path);
    // Gives a closed file the name to, never in place of anything: when any
    // entry stands at to (a file, a folder, a link), targetExists at once,
    // and both are left as they were. The file comes out visible: a hidden
    // attribute (modeHidden) is cleared first, and kept when the file keeps
    // its name. While another program holds the file (file_in_use.h),
    // tries again for about two seconds, then gives fileInUse. renamed only
    // once the new name is on the disk itself, as Flush puts the bytes
    // there, so that a power cut right after cannot undo it.
    static RenameResult Rename(LPCTSTR from, LPCTSTR to);

private:
    friend class CFileSlice;

    // The backend's handle: a HANDLE or a file descriptor; -1 when closed.
    INT_PTR m_handle = -1;
    // Where the backend flushes on a thread of its own (Windows), that
    // thread and what it was asked, from the first BeginFlushData to Close.
    struct Flusher;
    Flusher* m_flusher = nullptr;
};
