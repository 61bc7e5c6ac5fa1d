// The slice as a populated read-only mapping of the source.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // MAP_POPULATE maps every page now, in one go, instead of one fault per
    // page during the write.
    void* view = ::mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, aligned);
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

// A 64-bit process always has room for the whole view.
BOOL CFileSlice::WriteInWindows(CFile& /*output*/) const
{
    return FALSE;
}

void CFileSlice::ReleaseView()
{
    if (m_view)
        ::munmap(m_view, m_viewLength);
    if (m_file >= 0)
        ::close(static_cast<int>(m_file));
}
