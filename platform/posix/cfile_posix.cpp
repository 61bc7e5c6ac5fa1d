// CFile and CFileFind on the real POSIX file system, shared by the backends
// that run on Linux.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "platform/cfile.h"
#include "platform/cfilefind.h"
#include "platform/file_in_use.h"
#include "platform/posix/file_hooks.h"
#include "platform/posix/text_posix.h"

namespace {

posix::FileHooks* g_hooks = nullptr;

// True, and one fewer left, when a test has the file system refuse this
// step as "in use" (FileHooks::renamesInUse, removesInUse).
bool RefusedAsInUse(int posix::FileHooks::*refusals)
{
    if (!g_hooks || g_hooks->*refusals <= 0)
        return false;
    --(g_hooks->*refusals);
    return true;
}

}  // namespace

posix::FileHooks* posix::ActiveFileHooks()
{
    return g_hooks;
}

void posix::SetActiveFileHooks(FileHooks* hooks)
{
    g_hooks = hooks;
}

CFile::~CFile()
{
    if (IsOpen())
        ::close(static_cast<int>(m_handle));
}

bool CFile::IsOpen() const
{
    return m_handle != -1;
}

BOOL CFile::Open(LPCTSTR path, UINT flags)
{
    if (IsOpen())
        return FALSE;
    if (g_hooks && g_hooks->beforeOpen)
        g_hooks->beforeOpen(path, flags);
    int access = (flags & modeReadWrite) ? O_RDWR : (flags & modeWrite) ? O_WRONLY : O_RDONLY;
    int create = 0;
    if (flags & modeCreateNew)
        create = O_CREAT | O_EXCL;
    else if (flags & modeCreate)
        create = (flags & modeNoTruncate) ? O_CREAT : O_CREAT | O_TRUNC;
    std::string name;
    if (!posix::DiskName(path, &name))
        return FALSE;
    // O_NONBLOCK keeps a FIFO from hanging the open; it is refused below anyway.
    int fd = ::open(name.c_str(), access | create | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return FALSE;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return FALSE;
    }
    int status = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    m_handle = fd;
    return TRUE;
}

ULONGLONG CFile::GetLength() const
{
    struct stat info;
    if (::fstat(static_cast<int>(m_handle), &info) != 0)
        return 0;
    return static_cast<ULONGLONG>(info.st_size);
}

BOOL CFile::Seek(LONGLONG offset, UINT from)
{
    int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    return ::lseek(static_cast<int>(m_handle), offset, whence) >= 0;
}

BOOL CFile::Read(void* buffer, UINT count, UINT* done)
{
    if (g_hooks && g_hooks->beforeRead)
        g_hooks->beforeRead();
    char* at = static_cast<char*>(buffer);
    UINT total = 0;
    while (total < count) {
        ssize_t got = ::read(static_cast<int>(m_handle), at + total, count - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *done = total;
            return FALSE;
        }
        if (got == 0)
            break;
        total += static_cast<UINT>(got);
    }
    *done = total;
    return TRUE;
}

BOOL CFile::Write(const void* buffer, UINT count)
{
    const char* at = static_cast<const char*>(buffer);
    UINT total = 0;
    while (total < count) {
        ssize_t put = ::write(static_cast<int>(m_handle), at + total, count - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return FALSE;
        total += static_cast<UINT>(put);
    }
    return TRUE;
}

BOOL CFile::Flush()
{
    if (g_hooks && g_hooks->beforeFlush && !g_hooks->beforeFlush())
        return FALSE;
    return ::fsync(static_cast<int>(m_handle)) == 0;
}

// sync_file_range writes the range out and waits for it, without the
// journal commit that fsync adds for the file's growing size each time;
// the last Flush makes that commit once. Where the range cannot be synced
// on its own, the file's data are.
BOOL CFile::FlushData(ULONGLONG offset, ULONGLONG length)
{
    if (g_hooks && g_hooks->beforeFlush && !g_hooks->beforeFlush())
        return FALSE;
    int fd = static_cast<int>(m_handle);
    unsigned flags = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (::sync_file_range(fd, static_cast<off64_t>(offset), static_cast<off64_t>(length), flags) == 0)
        return TRUE;
    if (errno != EINVAL && errno != ENOSYS && errno != ESPIPE)
        return FALSE;
    return ::fdatasync(fd) == 0;
}

BOOL CFile::BeginFlushData(ULONGLONG offset, ULONGLONG length)
{
    if (g_hooks && g_hooks->noFlushInBackground)
        return FALSE;
    return ::sync_file_range(static_cast<int>(m_handle), static_cast<off64_t>(offset),
                             static_cast<off64_t>(length), SYNC_FILE_RANGE_WRITE) == 0;
}

BOOL CFile::Close()
{
    if (!IsOpen())
        return TRUE;
    int fd = static_cast<int>(m_handle);
    m_handle = -1;
    return ::close(fd) == 0;
}

BOOL CFile::Remove(LPCTSTR path)
{
    std::string name;
    if (!posix::DiskName(path, &name))
        return FALSE;
    BOOL removed = FALSE;
    AfxRetryWhileInUse([&] {
        if (RefusedAsInUse(&posix::FileHooks::removesInUse))
            return true;
        removed = ::unlink(name.c_str()) == 0;
        return false;
    });
    return removed;
}

void AfxPauseMs(int milliseconds)
{
    if (g_hooks) {
        g_hooks->pausesMs.push_back(milliseconds);
        return;
    }
    struct timespec pause = { milliseconds / 1000, (milliseconds % 1000) * 1000000L };
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

namespace {

// Gives the file at from the name to, never in place of anything; 0 or the
// error. The strongest way the file system offers comes first: renameat2
// with RENAME_NOREPLACE checks and renames in one step. File systems
// without it (FUSE, and kernels before 3.15) refuse the flag; there a hard
// link does the same check in one step, and the old name is unlinked after.
// Those that have neither (FUSE's exFAT and FAT, GVFS shares, sshfs) get a
// check and a plain rename: the one place where a file appearing at that
// very moment, between the two calls, would be replaced.
int RenameWithoutReplacing(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from, to) == 0) {
        ::unlink(from);
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    struct stat info;
    if (::lstat(to, &info) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::rename(from, to) == 0 ? 0 : errno;
}

// Puts the folder that holds path on the disk, so that a name given there
// survives a power cut as the bytes under it already do: until then ext4
// keeps a rename in its journal for up to five seconds. False when the
// system reports a failure. A folder that cannot be opened or flushed this
// way is no failure: some FUSE and network file systems answer fsync on a
// folder with EINVAL or EBADF (they keep no such state to flush), and a
// folder the user may write in but not list (mode -wx) cannot be opened.
bool FlushFolderOf(const std::string& path)
{
    if (g_hooks && g_hooks->beforeFolderFlush && !g_hooks->beforeFolderFlush())
        return false;
    int fd = ::open(posix::FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES;
    bool flushed = ::fsync(fd) == 0 || errno == EINVAL || errno == EBADF;
    ::close(fd);
    return flushed;
}

CFile::RenameResult RenameOnce(LPCTSTR from, LPCTSTR to)
{
    if (g_hooks && g_hooks->beforeRename)
        g_hooks->beforeRename(from, to);
    std::string oldName;
    std::string newName;
    if (!posix::DiskName(from, &oldName) || !posix::DiskName(to, &newName))
        return CFile::renameFailed;
    int error = RenameWithoutReplacing(oldName.c_str(), newName.c_str());
    if (error != 0)
        return error == EEXIST ? CFile::targetExists : CFile::renameFailed;
    return FlushFolderOf(newName) ? CFile::renamed : CFile::nameNotStored;
}

}  // namespace

CFile::RenameResult CFile::Rename(LPCTSTR from, LPCTSTR to)
{
    RenameResult result = renameFailed;
    AfxRetryWhileInUse([&] {
        if (RefusedAsInUse(&posix::FileHooks::renamesInUse)) {
            result = fileInUse;
            return true;
        }
        result = RenameOnce(from, to);
        return false;
    });
    return result;
}

BOOL CFileFind::FindFile(LPCTSTR path)
{
    Close();
    std::string name;
    struct stat info;
    // Any directory entry counts, a dangling link included.
    if (!posix::DiskName(path, &name) || ::lstat(name.c_str(), &info) != 0)
        return FALSE;
    m_handle = 1;
    return TRUE;
}

void CFileFind::Close()
{
    m_handle = -1;
}
