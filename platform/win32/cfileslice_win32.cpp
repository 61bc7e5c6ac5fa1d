// The slice as a read-only view of the source. Measured under Wine, a view
// written with WriteFile copies a gigabyte in a fraction of the time a fresh
// buffer takes. A 32-bit process has no room for one view near 2 GiB (under
// Wine the largest was about 1.8 GiB), so such a slice keeps the mapping and
// is written through successive windows of it.
#include "platform/cfileslice.h"
#include "platform/win32/slice_views_win32.h"

namespace {

// Large enough that the per-window cost vanishes, small enough to fit
// anywhere in the address space.
constexpr SIZE_T kWindow = 64u << 20;

SIZE_T g_viewLimit = static_cast<SIZE_T>(-1);

DWORD Granularity()
{
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    return system.dwAllocationGranularity;
}

// A window starts at a multiple of the granularity and spans whole ones.
SIZE_T WindowLength(DWORD granularity)
{
    SIZE_T length = g_viewLimit < kWindow ? g_viewLimit : kWindow;
    length -= length % granularity;
    return length > 0 ? length : granularity;
}

void* MapWindow(HANDLE mapping, LONGLONG aligned, SIZE_T length)
{
    return ::MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(aligned >> 32),
                           static_cast<DWORD>(aligned), length);
}

}  // namespace

void win32::LimitSliceViews(SIZE_T bytes)
{
    g_viewLimit = bytes;
}

CFileSlice::Result CFileSlice::Load(CFile& file, LONGLONG offset, UINT count)
{
    Release();
    if (count == 0)
        return loaded;
    HANDLE handle = reinterpret_cast<HANDLE>(file.m_handle);
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(handle, &size) || size.QuadPart < offset + static_cast<LONGLONG>(count))
        return readFailed;

    LONGLONG aligned = offset - offset % Granularity();
    SIZE_T length = static_cast<SIZE_T>(offset + count - aligned);
    HANDLE mapping = ::CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return LoadIntoBuffer(file, offset, count);
    void* view = length <= g_viewLimit ? MapWindow(mapping, aligned, length) : nullptr;
    if (view) {
        // The view keeps the mapping alive on its own.
        ::CloseHandle(mapping);
        m_view = view;
        m_viewLength = length;
        m_data = static_cast<const char*>(view) + (offset - aligned);
    } else {
        m_mapping = reinterpret_cast<INT_PTR>(mapping);
        m_data = nullptr;
    }
    m_offset = offset;
    m_size = count;
    m_end = offset + count;
    // Our own handle keeps the file held after the source is closed: with no
    // share flag nobody else can open it to shorten it meanwhile.
    HANDLE own = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &own, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        Release();
        return readFailed;
    }
    m_file = reinterpret_cast<INT_PTR>(own);
    return loaded;
}

BOOL CFileSlice::WriteView(CFile& output, UINT at, UINT count) const
{
    return output.Write(m_data + at, count);
}

BOOL CFileSlice::WriteInWindows(CFile& output, UINT from, UINT count) const
{
    HANDLE mapping = reinterpret_cast<HANDLE>(m_mapping);
    DWORD granularity = Granularity();
    LONGLONG window = static_cast<LONGLONG>(WindowLength(granularity));
    LONGLONG end = m_offset + from + count;
    for (LONGLONG at = m_offset + from; at < end;) {
        LONGLONG aligned = at - at % granularity;
        LONGLONG windowEnd = aligned + window < end ? aligned + window : end;
        void* view = MapWindow(mapping, aligned, static_cast<SIZE_T>(windowEnd - aligned));
        if (!view)
            return FALSE;
        BOOL written = output.Write(static_cast<const char*>(view) + (at - aligned),
                                    static_cast<UINT>(windowEnd - at));
        ::UnmapViewOfFile(view);
        if (!written)
            return FALSE;
        at = windowEnd;
    }
    return TRUE;
}

bool CFileSlice::Intact() const
{
    if (m_file == -1)
        return true;
    LARGE_INTEGER size;
    return ::GetFileSizeEx(reinterpret_cast<HANDLE>(m_file), &size) && size.QuadPart >= m_end;
}

void CFileSlice::ReleaseView()
{
    if (m_view)
        ::UnmapViewOfFile(m_view);
    if (m_mapping != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_mapping));
    if (m_file != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_file));
}
