// CPosixFile: an IFile on a POSIX file descriptor.
#pragma once

#include <string>

#include "platform/env/Env.h"

namespace kitroster {

// Owns `fd` and closes it in Close() or the destructor. `path` is the caller's path text,
// used in messages. Reads need kAccessRead and writes kAccessWrite in `access`, as on
// Windows, whatever mode the descriptor was opened with.
// Thread-safety: one thread at a time.
class CPosixFile final : public IFile {
  public:
    CPosixFile(int fd, std::string path, unsigned access);
    ~CPosixFile() override;
    CPosixFile(const CPosixFile&) = delete;
    CPosixFile& operator=(const CPosixFile&) = delete;

    EnvStatus Read(void* buffer, size_t size, size_t* read) override;
    EnvStatus Write(const void* data, size_t size) override;
    EnvStatus Seek(uint64_t offset) override;
    EnvStatus GetSize(uint64_t* size) override;
    EnvStatus GetInfo(FileInfo* info) override;
    EnvStatus Truncate(uint64_t size) override;
    EnvStatus Sync() override;
    EnvStatus Close() override;
    EnvStatus SetOwnerAndMode(const FileInfo& like) override;

  private:
    EnvStatus _closed(const char* operation) const;

    int m_fd;
    std::string m_path;
    unsigned m_access;
};

}  // namespace kitroster
