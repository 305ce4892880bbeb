#include "profile_res/AtomicFileWrite.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kitroster::profile {

namespace {

// Large blocks keep the number of system calls small; a resource of up to 1 MiB is one write.
constexpr std::size_t kBlockSize = 1 << 20;

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t block = size < kBlockSize ? size : kBlockSize;
        const ssize_t written = ::write(fd, data, block);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Creates "<path>.<pid>.<n>.tmp" exclusively; returns its descriptor, or -1.
int CreateTemporarySibling(const char* path, char* name, std::size_t capacity) {
    static unsigned s_counter = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const unsigned n = __atomic_fetch_add(&s_counter, 1u, __ATOMIC_RELAXED);
        const int length =
            std::snprintf(name, capacity, "%s.%ld.%u.tmp", path, static_cast<long>(::getpid()), n);
        if (length < 0 || static_cast<std::size_t>(length) >= capacity) {
            return -1;
        }
        const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

bool WriteFileAtomically(const char* path, const void* data, std::size_t size) {
    const std::size_t capacity = std::strlen(path) + 48;
    char* temporary = static_cast<char*>(std::malloc(capacity));
    if (temporary == nullptr) {
        return false;
    }
    const int fd = CreateTemporarySibling(path, temporary, capacity);
    if (fd < 0) {
        std::free(temporary);
        return false;
    }
    bool ok = WriteAll(fd, static_cast<const unsigned char*>(data), size);
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary, path) == 0;
    if (!ok) {
        ::unlink(temporary);
    }
    std::free(temporary);
    return ok;
}

}  // namespace kitroster::profile
