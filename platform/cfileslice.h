// CFileSlice: bytes [offset, offset + count) of an open file, taken hold of
// at once and written to another file piece by piece. Each backend writes
// it the way that costs least there: on Linux the kernel copies from the
// file to the output (copy_file_range), out of a read-only view of it where
// the two file systems cannot; on Windows out of a read-only view of the
// file's mapping for each piece. Where no view can be had on Linux, the
// slice is one heap buffer filled by one read.
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
    // the file is closed: it holds a handle of its own.
    Result Load(CFile& file, LONGLONG offset, UINT count);
    UINT Size() const { return m_size; }
    // Writes bytes [at, at + count) of the slice to output, at its position.
    BOOL WritePiece(CFile& output, UINT at, UINT count) const;
    // False when the file no longer holds every byte of the slice: it
    // shrank after the load, and what was written has zeros or a gap where
    // the lost bytes were. Asked after the slice was written.
    bool Intact() const;

private:
    Result LoadIntoBuffer(CFile& file, LONGLONG offset, UINT count);
    // Gives back the buffer, and the backend's view and handle.
    void Release();
    void ReleaseView();

    const char* m_data = "";   // the slice in memory (a view or the buffer), when it is
    UINT m_size = 0;
    char* m_buffer = nullptr;  // the slice, where it had to be read into memory
    void* m_view = nullptr;    // the mapped view (Linux) or the file's mapping (Windows)
    size_t m_viewLength = 0;
    LONGLONG m_offset = 0;
    INT_PTR m_file = -1;       // the slice's own handle of the file
    LONGLONG m_end = 0;        // offset + count
};
