// CBlockFile: fixed-size block reads and writes over an Env file, buffered as the C
// runtime's streams are, so that a manifest of many 281-byte blocks costs a few large
// system calls instead of one per block.
//
// Reading keeps the two indicators of a C stream: a read that meets the end of the file
// sets the end-of-file indicator, one that meets a failure sets the error indicator and
// keeps the failed status. Writing collects blocks and hands them to the file when the
// buffer is full and on Flush().
//
// Thread-safety: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/env/Env.h"

class CBlockFile {
  public:
    // `bufferSize` 0 means the default (256 KiB).
    explicit CBlockFile(std::unique_ptr<kitroster::IFile> file, size_t bufferSize = 0);
    CBlockFile(const CBlockFile&) = delete;
    CBlockFile& operator=(const CBlockFile&) = delete;

    // Reads `size` bytes; returns true when they were read whole. A short read leaves
    // the end-of-file or the error indicator set.
    bool ReadBlock(uint8_t* block, size_t size);
    // The next `size` bytes, in place when the buffer holds them whole (valid until the
    // next call), otherwise copied into `scratch`; null after a short read.
    const uint8_t* NextBlock(uint8_t* scratch, size_t size);
    bool IsEof() const { return m_eof; }
    bool IsError() const { return m_error; }

    // Appends one block; false (with the error indicator and status set) when the file
    // refused buffered data.
    bool WriteBlock(const uint8_t* block, size_t size);
    // Hands buffered data to the file.
    bool Flush();
    // Forces the file's data to disk.
    kitroster::EnvStatus Sync();
    // Flushes, then closes the file.
    kitroster::EnvStatus Close();

    // The status of the last failed call.
    const kitroster::EnvStatus& LastStatus() const { return m_status; }

  private:
    static constexpr size_t kDefaultBufferSize = 256 * 1024;

    std::unique_ptr<kitroster::IFile> m_file;
    std::unique_ptr<uint8_t[]> m_buffer;  // not zero-filled: it is always written first
    size_t m_capacity;
    size_t m_begin = 0;  // reading: next unread byte
    size_t m_end = 0;    // reading: end of buffered data; writing: bytes buffered
    bool m_writing = false;
    bool m_eof = false;
    bool m_error = false;
    kitroster::EnvStatus m_status;
};
