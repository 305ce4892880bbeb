#include "platform/env/PosixFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/env/PosixEnv.h"

namespace kitroster {

CPosixFile::CPosixFile(int fd, std::string path, unsigned access)
    : m_fd(fd), m_path(std::move(path)), m_access(access) {}

CPosixFile::~CPosixFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

EnvStatus CPosixFile::_closed(const char* operation) const {
    return EnvStatus::Error(kErrorInvalidHandle, EBADF,
                            std::string(operation) + " " + m_path + ": file is closed");
}

EnvStatus CPosixFile::Read(void* buffer, size_t size, size_t* read) {
    *read = 0;
    if (m_fd < 0)
        return _closed("read");
    if ((m_access & kAccessRead) == 0) {
        return EnvStatus::Error(kErrorAccessDenied, 0,
                                "read " + m_path + ": not opened for reading");
    }
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0) {
            *read = static_cast<size_t>(n);
            return EnvStatus::Ok();
        }
        if (errno != EINTR)
            return EnvStatus::FromErrno(errno, "read " + m_path);
    }
}

EnvStatus CPosixFile::Write(const void* data, size_t size) {
    if (m_fd < 0)
        return _closed("write");
    if ((m_access & kAccessWrite) == 0) {
        return EnvStatus::Error(kErrorAccessDenied, 0,
                                "write " + m_path + ": not opened for writing");
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(m_fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return EnvStatus::FromErrno(errno, "write " + m_path);
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixFile::Seek(uint64_t offset) {
    if (m_fd < 0)
        return _closed("seek");
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
        return EnvStatus::FromErrno(EINVAL, "seek " + m_path);
    }
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        return EnvStatus::FromErrno(errno, "seek " + m_path);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixFile::GetInfo(FileInfo* info) {
    *info = FileInfo();
    if (m_fd < 0)
        return _closed("information of");
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return EnvStatus::FromErrno(errno, "information of " + m_path);
    FillFileInfo(st, info);
    return EnvStatus::Ok();
}

EnvStatus CPosixFile::SetOwnerAndMode(const FileInfo& like) {
    if (m_fd < 0)
        return _closed("owner of");
    // Owner first: fchown clears set-id bits, which the mode then restores. Only root (or
    // the owner, for a group it belongs to) may give a file away; others keep their own.
    if (::fchown(m_fd, like.ownerId, like.groupId) != 0 && errno != EPERM)
        return EnvStatus::FromErrno(errno, "owner of " + m_path);
    if (::fchmod(m_fd, like.mode & 07777) != 0)
        return EnvStatus::FromErrno(errno, "mode of " + m_path);
    return EnvStatus::Ok();
}

EnvStatus CPosixFile::GetSize(uint64_t* size) {
    *size = 0;
    if (m_fd < 0)
        return _closed("size of");
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return EnvStatus::FromErrno(errno, "size of " + m_path);
    *size = static_cast<uint64_t>(st.st_size);
    return EnvStatus::Ok();
}

EnvStatus CPosixFile::Truncate(uint64_t size) {
    if (m_fd < 0)
        return _closed("truncate");
    if ((m_access & kAccessWrite) == 0) {
        return EnvStatus::Error(kErrorAccessDenied, 0,
                                "truncate " + m_path + ": not opened for writing");
    }
    if (size > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
        return EnvStatus::FromErrno(EINVAL, "truncate " + m_path);
    }
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) {
        return EnvStatus::FromErrno(errno, "truncate " + m_path);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixFile::Sync() {
    if (m_fd < 0)
        return _closed("sync");
    if (::fsync(m_fd) != 0)
        return EnvStatus::FromErrno(errno, "sync " + m_path);
    return EnvStatus::Ok();
}

EnvStatus CPosixFile::Close() {
    if (m_fd < 0)
        return EnvStatus::Ok();
    int fd = m_fd;
    m_fd = -1;
    // The descriptor is gone whatever close reports; EINTR must not lead to a retry.
    if (::close(fd) != 0 && errno != EINTR)
        return EnvStatus::FromErrno(errno, "close " + m_path);
    return EnvStatus::Ok();
}

}  // namespace kitroster
