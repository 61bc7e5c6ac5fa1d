// CFileSlice: bytes [offset, offset + count) of an open file, held at once
// and written to another file piece by piece. Where the system allows it the slice is a
// read-only view of the file itself: no copy, and no fresh pages to fault in
// (for a slice of a gigabyte that is most of the time a plain buffer costs).
// Otherwise it is one heap buffer filled by one read.
#pragma once

#include <cstddef>

#include "platform/cfile.h"

class CFileSlice {
public:
    enum Result { loaded, noMemory, readFailed };

    CFileSlice() = default;
    ~CFileSlice() { Release(); }
    CFileSlice(const CFileSlice&) = delete;
    CFileSlice& operator=(const CFileSlice&) = delete;

    // readFailed also when the file no longer holds every byte of the slice
    // (it shrank since its length was taken). The slice stays valid after
    // the file is closed.
    Result Load(CFile& file, LONGLONG offset, UINT count);
    UINT Size() const { return m_size; }
    // Writes bytes [at, at + count) of the slice to output, at its
    // position. A slice larger than the address space has room for (near
    // 2 GiB in a 32-bit process) is written through successive windows of
    // the same mapping.
    BOOL WritePiece(CFile& output, UINT at, UINT count) const;
    // False when a view's file no longer holds every byte of the slice: the
    // file shrank after the load, and the view then shows zeros (or nothing)
    // where the lost bytes were. Asked after the slice was written.
    bool Intact() const;

private:
    Result LoadIntoBuffer(CFile& file, LONGLONG offset, UINT count);
    // Gives back the view or the buffer; the backend's part is the view.
    void Release();
    void ReleaseView();
    BOOL WriteInWindows(CFile& output, UINT at, UINT count) const;
    // Writes a piece of the view: the backend's part.
    BOOL WriteView(CFile& output, UINT at, UINT count) const;

    const char* m_data = "";   // nullptr when written in windows
    UINT m_size = 0;
    char* m_buffer = nullptr;  // the heap buffer, when not a view
    void* m_view = nullptr;    // the start of the mapped view, when one
    size_t m_viewLength = 0;
    INT_PTR m_mapping = -1;    // the mapping, when written in windows
    LONGLONG m_offset = 0;
    INT_PTR m_file = -1;       // the view's own handle of the file, for Intact
    LONGLONG m_end = 0;        // offset + count
};
