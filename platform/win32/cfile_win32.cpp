// CFile over the Windows file API. m_handle holds the HANDLE; -1 is also
// INVALID_HANDLE_VALUE, so "closed" and "failed to open" look the same.
#include <new>

#include "platform/cfile.h"
#include "platform/cwinthread.h"
#include "platform/file_in_use.h"
#include "text_win32.h"

namespace {

// Large transfers go in pieces: a single ReadFile or WriteFile of hundreds
// of megabytes can fail with ERROR_NO_SYSTEM_RESOURCES (network drives).
// 1 MiB, as dd's bs=1M. Under Wine each piece is one write(), for which
// Linux takes page cache in blocks as large as the write allows, up to
// 2 MiB; a VM that hands its free 2 MiB blocks back to the host (free page
// reporting) pays a host fault for each of those. With 8 MiB pieces a 1 GiB
// cut took 2.5 times as long there (bench/wine); 1 MiB blocks come from
// memory the guest still holds.
constexpr DWORD kChunk = 1u << 20;

HANDLE AsHandle(INT_PTR handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

DWORD AccessFor(UINT flags)
{
    if (flags & CFile::modeReadWrite)
        return GENERIC_READ | GENERIC_WRITE;
    if (flags & CFile::modeWrite)
        return GENERIC_WRITE;
    return GENERIC_READ;
}

// No share flag (or shareExclusive) holds the file exclusively, as MFC's
// compatibility mode does.
DWORD ShareFor(UINT flags)
{
    switch (flags & 0x70) {
    case CFile::shareDenyWrite:
        return FILE_SHARE_READ;
    case 0x30:  // shareDenyRead
        return FILE_SHARE_WRITE;
    case CFile::shareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        return 0;
    }
}

// Without modeCreate only an existing file is opened; nothing is created.
DWORD DispositionFor(UINT flags)
{
    if (flags & CFile::modeCreateNew)
        return CREATE_NEW;
    if (flags & CFile::modeCreate)
        return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    return OPEN_EXISTING;
}

// What Windows answers while another program holds the file: a sharing
// violation (it opened the file without FILE_SHARE_DELETE), or access
// denied, which some scanners' holds give instead.
bool InUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// One try at the rename: a hidden file is shown first, since the attributes
// go with it. The error, or ERROR_SUCCESS.
DWORD ShowAndMove(const wchar_t* from, const wchar_t* to, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_HIDDEN) {
        DWORD shown = attributes & ~FILE_ATTRIBUTE_HIDDEN;
        if (!::SetFileAttributesW(from, shown ? shown : FILE_ATTRIBUTE_NORMAL))
            return ::GetLastError();
    }
    return ::MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace

CFile::~CFile()
{
    Close();
}

bool CFile::IsOpen() const
{
    return m_handle != -1;
}

BOOL CFile::Open(LPCTSTR path, UINT flags)
{
    if (IsOpen())
        return FALSE;
    // CreateFile refuses a folder already (it would need
    // FILE_FLAG_BACKUP_SEMANTICS); a device such as NUL, CON or a pipe opens
    // and is refused by its type.
    DWORD attributes = (flags & modeHidden) ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
    HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), AccessFor(flags), ShareFor(flags), nullptr,
                                DispositionFor(flags), attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return FALSE;
    }
    m_handle = reinterpret_cast<INT_PTR>(file);
    return TRUE;
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(AsHandle(m_handle), &size))
        return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

BOOL CFile::Seek(LONGLONG offset, UINT from)
{
    DWORD method = from == current ? FILE_CURRENT : from == end ? FILE_END : FILE_BEGIN;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return ::SetFilePointerEx(AsHandle(m_handle), distance, nullptr, method);
}

BOOL CFile::Read(void* buffer, UINT count, UINT* done)
{
    char* at = static_cast<char*>(buffer);
    UINT total = 0;
    while (total < count) {
        DWORD want = count - total < kChunk ? count - total : kChunk;
        DWORD got = 0;
        if (!::ReadFile(AsHandle(m_handle), at + total, want, &got, nullptr)) {
            *done = total;
            return FALSE;
        }
        if (got == 0)
            break;  // end of file
        total += got;
    }
    *done = total;
    return TRUE;
}

BOOL CFile::Write(const void* buffer, UINT count)
{
    const char* at = static_cast<const char*>(buffer);
    UINT total = 0;
    while (total < count) {
        DWORD want = count - total < kChunk ? count - total : kChunk;
        DWORD put = 0;
        if (!::WriteFile(AsHandle(m_handle), at + total, want, &put, nullptr) || put == 0)
            return FALSE;
        total += put;
    }
    return TRUE;
}

// Windows cannot start a flush and leave it: FlushFileBuffers waits until
// the whole file is on the disk. So a copy in pieces gets a thread that
// flushes while the next piece is written, as Linux's sync_file_range
// lets the disk do on its own; under Wine a gigabyte's flushes are about
// half its time. A flush counts for what was written before it began.
// Windows itself runs the calls on one handle opened for synchronous I/O
// one at a time, so there a flush waits for the 1 MiB write in progress
// and then holds up the next: less overlap, the bar as true.
struct CFile::Flusher {
    explicit Flusher(HANDLE file) : file(file), thread(Run, this)
    {
        ::InitializeCriticalSection(&lock);
        ::InitializeConditionVariable(&changed);
    }
    ~Flusher()
    {
        ::EnterCriticalSection(&lock);
        ending = true;
        ::WakeAllConditionVariable(&changed);
        ::LeaveCriticalSection(&lock);
        thread.Join();
        ::DeleteCriticalSection(&lock);
    }

    // Asks for bytes [0, end) to be flushed.
    void Ask(ULONGLONG end)
    {
        ::EnterCriticalSection(&lock);
        if (end > asked)
            asked = end;
        ::WakeAllConditionVariable(&changed);
        ::LeaveCriticalSection(&lock);
    }

    // Asks for bytes [0, end) and waits until they are on the disk. False
    // when a flush failed, this one or one before.
    bool WaitFor(ULONGLONG end)
    {
        Ask(end);
        ::EnterCriticalSection(&lock);
        while (!failed && flushed < end)
            ::SleepConditionVariableCS(&changed, &lock, INFINITE);
        bool stored = !failed;
        ::LeaveCriticalSection(&lock);
        return stored;
    }

    // Waits for every flush asked for.
    bool Settle()
    {
        ::EnterCriticalSection(&lock);
        ULONGLONG end = asked;
        ::LeaveCriticalSection(&lock);
        return WaitFor(end);
    }

    static UINT Run(LPVOID param)
    {
        Flusher& self = *static_cast<Flusher*>(param);
        ::EnterCriticalSection(&self.lock);
        for (;;) {
            while (!self.ending && !self.failed && self.flushed >= self.asked)
                ::SleepConditionVariableCS(&self.changed, &self.lock, INFINITE);
            if (self.ending || self.failed)
                break;
            ULONGLONG target = self.asked;
            ::LeaveCriticalSection(&self.lock);
            BOOL stored = ::FlushFileBuffers(self.file);
            ::EnterCriticalSection(&self.lock);
            if (stored)
                self.flushed = target;
            else
                self.failed = true;
            ::WakeAllConditionVariable(&self.changed);
        }
        ::LeaveCriticalSection(&self.lock);
        return 0;
    }

    HANDLE file;
    CRITICAL_SECTION lock;
    CONDITION_VARIABLE changed;
    ULONGLONG asked = 0;    // bytes [0, asked) are to be flushed
    ULONGLONG flushed = 0;  // bytes [0, flushed) are on the disk
    bool failed = false;
    bool ending = false;
    CWinThread thread;
};

BOOL CFile::Flush()
{
    if (m_flusher && !m_flusher->Settle())
        return FALSE;
    return ::FlushFileBuffers(AsHandle(m_handle));
}

BOOL CFile::FlushData(ULONGLONG offset, ULONGLONG length)
{
    if (m_flusher)
        return m_flusher->WaitFor(offset + length);
    return ::FlushFileBuffers(AsHandle(m_handle));
}

BOOL CFile::BeginFlushData(ULONGLONG offset, ULONGLONG length)
{
    if (!m_flusher) {
        Flusher* flusher = new (std::nothrow) Flusher(AsHandle(m_handle));
        if (!flusher)
            return FALSE;
        if (!flusher->thread.CreateThread()) {
            delete flusher;
            return FALSE;
        }
        m_flusher = flusher;
    }
    m_flusher->Ask(offset + length);
    return TRUE;
}

BOOL CFile::Close()
{
    delete m_flusher;  // after the flush under way, if one is
    m_flusher = nullptr;
    if (!IsOpen())
        return TRUE;
    HANDLE file = AsHandle(m_handle);
    m_handle = -1;
    return ::CloseHandle(file);
}

BOOL CFile::Remove(LPCTSTR path)
{
    win32::WideText name = win32::Wide(path);
    BOOL removed = FALSE;
    AfxRetryWhileInUse([&] {
        removed = ::DeleteFileW(name.c_str());
        return !removed && InUse(::GetLastError());
    });
    return removed;
}

void AfxPauseMs(int milliseconds)
{
    ::Sleep(static_cast<DWORD>(milliseconds));
}

// MoveFileEx without MOVEFILE_REPLACE_EXISTING fails when anything stands at
// the target; without MOVEFILE_COPY_ALLOWED it only renames, within the
// volume; with MOVEFILE_WRITE_THROUGH it returns once the new name is on the
// disk, not only in the cache. A file that keeps its old name keeps its old attributes: an
// unfinished file stays hidden.
CFile::RenameResult CFile::Rename(LPCTSTR from, LPCTSTR to)
{
    win32::WideText source = win32::Wide(from);
    win32::WideText target = win32::Wide(to);
    DWORD attributes = ::GetFileAttributesW(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return renameFailed;
    DWORD error = ERROR_SUCCESS;
    AfxRetryWhileInUse([&] {
        error = ShowAndMove(source.c_str(), target.c_str(), attributes);
        return InUse(error);
    });
    if (error == ERROR_SUCCESS)
        return renamed;
    ::SetFileAttributesW(source.c_str(), attributes);
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return targetExists;
    return InUse(error) ? fileInUse : renameFailed;
}
