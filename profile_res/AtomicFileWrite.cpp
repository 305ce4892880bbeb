#include "profile_res/AtomicFileWrite.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
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
        const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The file that writing `path` reaches: symbolic links in the last component are followed
// to their target, a dangling one to the name it holds. Null when the links loop, a link
// cannot be read, or a link belongs to an account other than the caller or root: links are
// resolved here rather than by the kernel, so its protection against following another
// account's link planted in a shared folder does not apply and is done here instead.
// The caller frees the result.
char* ResolveLinks(const char* path) {
    char* current = ::strdup(path);
    const uid_t caller = ::geteuid();
    for (int hop = 0; current != nullptr && hop < 40; ++hop) {
        struct stat info;
        if (::lstat(current, &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        if (info.st_uid != caller && info.st_uid != 0) {
            break;
        }
        char link[PATH_MAX];
        const ssize_t length = ::readlink(current, link, sizeof link);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof link) {
            break;
        }
        link[length] = '\0';
        // A relative link is relative to the folder that holds it.
        const char* slash = std::strrchr(current, '/');
        const std::size_t folder =
            link[0] == '/' || slash == nullptr ? 0 : static_cast<std::size_t>(slash - current) + 1;
        char* next = static_cast<char*>(std::malloc(folder + static_cast<std::size_t>(length) + 1));
        if (next != nullptr) {
            std::memcpy(next, current, folder);
            std::memcpy(next + folder, link, static_cast<std::size_t>(length) + 1);
        }
        std::free(current);
        current = next;
    }
    std::free(current);
    return nullptr;
}

// Whether `path` may be replaced: it does not exist yet (then `*existing` is false), or it
// is a regular file that may be written. A file without any write bit is read-only even for
// root, as a create-always open of a read-only file fails on Windows. Devices, FIFOs,
// sockets and folders are never replaced.
bool MayReplace(const char* path, bool* existing, struct stat* info) {
    if (::lstat(path, info) != 0) {
        *existing = false;
        return errno == ENOENT;
    }
    *existing = true;
    return S_ISREG(info->st_mode) && (info->st_mode & 0222) != 0 &&
           ::faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
}

}  // namespace

bool WriteFileAtomically(const char* path, const void* data, std::size_t size) {
    char* target = ResolveLinks(path);
    if (target == nullptr) {
        return false;
    }
    bool existing = false;
    struct stat info;
    if (!MayReplace(target, &existing, &info)) {
        std::free(target);
        return false;
    }
    const std::size_t capacity = std::strlen(target) + 48;
    char* temporary = static_cast<char*>(std::malloc(capacity));
    if (temporary == nullptr) {
        std::free(target);
        return false;
    }
    const int fd = CreateTemporarySibling(target, temporary, capacity);
    if (fd < 0) {
        std::free(temporary);
        std::free(target);
        return false;
    }
    bool ok = WriteAll(fd, static_cast<const unsigned char*>(data), size);
    if (ok && existing) {
        // The replacement keeps the old file's permissions.
        // The owner is kept where allowed (as root); otherwise the file is the writer's.
        if (::fchown(fd, info.st_uid, info.st_gid) != 0 && errno != EPERM) {
            ok = false;
        }
        ok = ok && ::fchmod(fd, info.st_mode & 07777) == 0;
    }
    ok = (::close(fd) == 0) && ok;
    // Looked at again just before the rename, in case the target changed meanwhile.
    struct stat again;
    bool stillExisting = false;
    ok = ok && MayReplace(target, &stillExisting, &again);
    ok = ok && ::rename(temporary, target) == 0;
    if (!ok) {
        ::unlink(temporary);
    }
    std::free(temporary);
    std::free(target);
    return ok;
}

}  // namespace kitroster::profile
