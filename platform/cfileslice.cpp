#include "platform/cfileslice.h"

#include <new>

CFileSlice::Result CFileSlice::LoadIntoBuffer(CFile& file, LONGLONG offset, UINT count)
{
    m_buffer = new (std::nothrow) char[count];
    if (!m_buffer)
        return noMemory;
    UINT done = 0;
    if (!file.Seek(offset, CFile::begin) || !file.Read(m_buffer, count, &done) || done != count)
        return readFailed;
    m_data = m_buffer;
    m_size = count;
    return loaded;
}

void CFileSlice::Release()
{
    ReleaseView();
    delete[] m_buffer;
    m_view = nullptr;
    m_viewLength = 0;
    m_offset = 0;
    m_file = -1;
    m_end = 0;
    m_buffer = nullptr;
    m_data = "";
    m_size = 0;
}
