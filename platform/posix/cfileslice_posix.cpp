// The slice as a read-only mapping of the source, written by the kernel
// from the file itself.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/cfileslice.h"
#include "platform/posix/file_hooks.h"

namespace {

bool HoldsEnd(int fd, LONGLONG end)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && info.st_size >= end;
}

}  // namespace

CFileSlice::Result CFileSlice::Load(CFile& file, LONGLONG offset, UINT count)
{
    Release();
    posix::FileHooks* hooks = posix::ActiveFileHooks();
    if (hooks && hooks->beforeRead)
        hooks->beforeRead();
    if (count == 0)
        return loaded;
    int fd = static_cast<int>(file.m_handle);
    LONGLONG end = offset + count;
    if (!HoldsEnd(fd, end))
        return readFailed;

    LONGLONG page = ::sysconf(_SC_PAGESIZE);
    LONGLONG aligned = offset - offset % page;
    size_t length = static_cast<size_t>(end - aligned);
    // The view holds the slice's room in the address space, as on Windows;
    // the write below does not touch its pages.
    void* view = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, aligned);
    if (view == MAP_FAILED)
        return LoadIntoBuffer(file, offset, count);
    m_view = view;
    m_viewLength = length;
    m_file = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    m_end = end;
    // A file that shrank after the check would fail the write (EFAULT) on the
    // missing pages; refuse it here when it already has.
    if (m_file < 0 || !HoldsEnd(fd, end)) {
        Release();
        return readFailed;
    }
    m_data = static_cast<const char*>(view) + (offset - aligned);
    m_size = count;
    return loaded;
}

bool CFileSlice::Intact() const
{
    return m_file < 0 || HoldsEnd(static_cast<int>(m_file), m_end);
}

// copy_file_range: the kernel copies the bytes from the file to the output,
// page cache to page cache, with no page of the view faulted in and no copy
// through this process (populating a 1 GiB view alone took longer than dd
// conv=fsync's whole copy). A file that shrank meanwhile ends the copy
// early, which Intact() then reports. Where the two file systems cannot
// copy between them, from the view.
BOOL CFileSlice::WritePiece(CFile& output, UINT at, UINT count) const
{
    if (at > m_size || count > m_size - at)
        return FALSE;
    posix::FileHooks* hooks = posix::ActiveFileHooks();
    if (hooks && hooks->beforeWritePiece)
        hooks->beforeWritePiece(at, count);
    if (!m_view)
        return output.Write(m_data + at, count);
    loff_t from = m_end - m_size + at;
    size_t left = count;
    int in = static_cast<int>(m_file);
    int out = static_cast<int>(output.m_handle);
    while (left > 0) {
        ssize_t copied = ::copy_file_range(in, &from, out, nullptr, left, 0);
        if (copied > 0) {
            left -= static_cast<size_t>(copied);
        } else if (copied == 0) {
            return TRUE;
        } else if (errno != EINTR) {
            bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
            return unsupported && left == count ? output.Write(m_data + at, count) : FALSE;
        }
    }
    return TRUE;
}

void CFileSlice::ReleaseView()
{
    if (m_view)
        ::munmap(m_view, m_viewLength);
    if (m_file >= 0)
        ::close(static_cast<int>(m_file));
}
