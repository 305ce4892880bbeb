#include "sync/manifest/BlockFile.h"

#include <cstring>

using kitroster::EnvStatus;

CBlockFile::CBlockFile(std::unique_ptr<kitroster::IFile> file, size_t bufferSize)
    : m_file(std::move(file)), m_capacity(bufferSize ? bufferSize : kDefaultBufferSize) {
    m_buffer.reset(new uint8_t[m_capacity]);
}

const uint8_t* CBlockFile::NextBlock(uint8_t* scratch, size_t size) {
    if (m_end - m_begin >= size) {
        const uint8_t* block = m_buffer.get() + m_begin;
        m_begin += size;
        return block;
    }
    return ReadBlock(scratch, size) ? scratch : nullptr;
}

bool CBlockFile::ReadBlock(uint8_t* block, size_t size) {
    size_t copied = 0;
    while (copied < size) {
        if (m_begin == m_end) {
            if (m_eof || m_error)
                return false;
            size_t got = 0;
            EnvStatus s = m_file->Read(m_buffer.get(), m_capacity, &got);
            if (!s.ok()) {
                m_error = true;
                m_status = s;
                return false;
            }
            if (got == 0) {
                m_eof = true;
                return false;
            }
            m_begin = 0;
            m_end = got;
        }
        size_t take = std::min(size - copied, m_end - m_begin);
        std::memcpy(block + copied, m_buffer.get() + m_begin, take);
        m_begin += take;
        copied += take;
    }
    return true;
}

bool CBlockFile::WriteBlock(const uint8_t* block, size_t size) {
    m_writing = true;
    if (m_error)
        return false;
    if (m_end + size > m_capacity && !Flush())
        return false;
    if (size > m_capacity) {
        EnvStatus s = m_file->Write(block, size);
        if (!s.ok()) {
            m_error = true;
            m_status = s;
        }
        return s.ok();
    }
    std::memcpy(m_buffer.get() + m_end, block, size);
    m_end += size;
    return true;
}

bool CBlockFile::Flush() {
    if (!m_writing)
        return true;
    if (m_error)
        return false;
    if (m_end == 0)
        return true;
    EnvStatus s = m_file->Write(m_buffer.get(), m_end);
    m_end = 0;
    if (!s.ok()) {
        m_error = true;
        m_status = s;
    }
    return s.ok();
}

EnvStatus CBlockFile::Sync() {
    EnvStatus s = m_file->Sync();
    if (!s.ok())
        m_status = s;
    return s;
}

EnvStatus CBlockFile::Close() {
    // Data still buffered at close is written first, as fclose does; a writer that
    // flushed already has nothing left.
    bool flushed = Flush();
    EnvStatus s = m_file->Close();
    if (!s.ok()) {
        m_status = s;
        return s;
    }
    return flushed ? s : m_status;
}
