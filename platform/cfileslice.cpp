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
