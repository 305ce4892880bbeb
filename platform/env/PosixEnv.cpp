#include "platform/env/PosixEnv.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "platform/env/PathMapping.h"
#include "platform/env/PosixFile.h"
#include "platform/env/ShareLock.h"
#include "platform/env/Wildcard.h"

namespace kitroster {
namespace {

// 1601-01-01 to 1970-01-01 in 100 ns units.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

bool IsDirectory(const std::string& native) {
    struct stat st;
    return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnlyFile(const struct stat& st) {
    return S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

// The folder that holds `native` ("." for a bare name).
std::string ParentOf(const std::string& native) {
    std::string text = native;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    size_t slash = text.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return text.substr(0, slash);
}

// A failure from errno for an operation on `path`. ENOENT becomes "file not found" when
// the folder exists and "path not found" when it does not, as Windows tells them apart.
EnvStatus Fail(int err, const char* operation, const std::string& path, const std::string& native) {
    std::string context = std::string(operation) + " " + path;
    if (err == ENOENT) {
        uint32_t code = IsDirectory(ParentOf(native)) ? kErrorFileNotFound : kErrorPathNotFound;
        return EnvStatus::Error(code, err, context);
    }
    return EnvStatus::FromErrno(err, context);
}

EnvStatus ReadOnlyDenied(const char* operation, const std::string& path) {
    return EnvStatus::Error(kErrorAccessDenied, 0,
                            std::string(operation) + " " + path + ": the file is read-only");
}

int OpenRetrying(const char* native, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(native, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
    return kUnixEpochAsFileTime + static_cast<uint64_t>(seconds) * 10000000ULL +
           static_cast<uint64_t>(nanoseconds / 100);
}

void FillFileInfo(const struct stat& st, FileInfo* info) {
    info->isDirectory = S_ISDIR(st.st_mode);
    info->readOnly = (st.st_mode & S_IWUSR) == 0;
    info->size = info->isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
    info->lastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    info->fileId = (static_cast<uint64_t>(st.st_dev) << 40) ^ static_cast<uint64_t>(st.st_ino);
    info->mode = st.st_mode & 07777;
    info->ownerId = st.st_uid;
    info->groupId = st.st_gid;
}

CPosixEnv::CPosixEnv(std::string uncRoot) : m_uncRoot(std::move(uncRoot)) {}

CPosixEnv* CPosixEnv::Default() {
    static CPosixEnv* env = [] {
        auto* posix = new CPosixEnv(kDefaultUncRoot);
        if (const char* root = std::getenv("KITROSTER_UNC_ROOT"); root && *root)
            posix->SetUncRoot(root);  // a relative root is ignored
        return posix;
    }();
    return env;
}

Env* Env::Default() {
    return CPosixEnv::Default();
}

bool CPosixEnv::SetUncRoot(const std::string& uncRoot) {
    if (uncRoot.empty() || uncRoot[0] != '/')
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_uncRoot = uncRoot;
    return true;
}

std::string CPosixEnv::GetUncRoot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_uncRoot;
}

EnvStatus CPosixEnv::ToNativePath(const std::string& path, std::string* native) {
    const std::string uncRoot = GetUncRoot();
    const std::string utf8 = Cp1252ToUtf8(path);
    if (utf8 == path)  // ASCII: nothing to convert
        return MapWindowsPath(path, uncRoot, native);
    // The UNC root is native text already, so the text is converted before mapping.
    // Separators, dots and the refused bytes are ASCII, which UTF-8 keeps, so both forms
    // map to the same components.
    std::string converted;
    std::string raw;
    if (EnvStatus s = MapWindowsPath(utf8, uncRoot, &converted); !s.ok())
        return s;
    if (EnvStatus s = MapWindowsPath(path, uncRoot, &raw); !s.ok())
        return s;
    // A name on disk that is not UTF-8 was listed as its raw bytes (FindFiles); such a
    // component keeps its bytes when only that spelling exists, so it opens again.
    native->clear();
    size_t ci = 0;
    size_t ri = 0;
    while (ci <= converted.size() && ri <= raw.size()) {
        size_t cEnd = converted.find('/', ci);
        size_t rEnd = raw.find('/', ri);
        if (cEnd == std::string::npos)
            cEnd = converted.size();
        if (rEnd == std::string::npos)
            rEnd = raw.size();
        const std::string cPart = converted.substr(ci, cEnd - ci);
        const std::string rPart = raw.substr(ri, rEnd - ri);
        std::string chosen = cPart;
        if (cPart != rPart) {
            struct stat st;
            if (::lstat((*native + cPart).c_str(), &st) != 0 && errno == ENOENT &&
                ::lstat((*native + rPart).c_str(), &st) == 0) {
                chosen = rPart;
            }
        }
        *native += chosen;
        if (cEnd == converted.size())
            break;
        *native += '/';
        ci = cEnd + 1;
        ri = rEnd + 1;
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::OpenFile(const std::string& path, const OpenOptions& options,
                              std::unique_ptr<IFile>* file) {
    file->reset();
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;

    const bool wantWrite = (options.access & kAccessWrite) != 0;
    const bool truncate = options.disposition == FileDisposition::kCreateAlways ||
                          options.disposition == FileDisposition::kTruncateExisting;
    if (options.disposition == FileDisposition::kTruncateExisting && !wantWrite) {
        return EnvStatus::Error(kErrorInvalidParameter, 0,
                                "open " + path + ": truncation needs write access");
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the file is refused below
    // anyway, and the flag is cleared for the files that are kept.
    int flags = O_CLOEXEC | O_NONBLOCK;
    switch (options.disposition) {
        case FileDisposition::kCreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case FileDisposition::kCreateAlways:
        case FileDisposition::kOpenAlways:
            flags |= O_CREAT;
            break;
        case FileDisposition::kOpenExisting:
        case FileDisposition::kTruncateExisting:
            break;
    }
    if (options.append)
        flags |= O_APPEND;
    if (options.noFollow)
        flags |= O_NOFOLLOW;
    // Writers open read-write so that they can hold the share-mode locks, which need a
    // readable descriptor. Truncation happens only after the share check has passed.
    int fd =
        OpenRetrying(native.c_str(), flags | (wantWrite || truncate ? O_RDWR : O_RDONLY), 0666);
    if (fd < 0 && errno == EACCES && (wantWrite || truncate)) {
        // Write-only permission: no share-mode emulation for this handle.
        fd = OpenRetrying(native.c_str(), flags | O_WRONLY, 0666);
    }
    if (fd < 0) {
        if (errno == EEXIST) {
            return EnvStatus::Error(kErrorFileExists, EEXIST, "create " + path + ": file exists");
        }
        if (errno == ELOOP && options.noFollow) {
            return EnvStatus::Error(kErrorAccessDenied, ELOOP,
                                    "open " + path + ": is a symbolic link, not followed");
        }
        return Fail(errno, "open", path, native);
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        return Fail(err, "open", path, native);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EnvStatus::Error(kErrorAccessDenied, EISDIR, "open " + path + ": is a folder");
    }
    // Devices, FIFOs and sockets are never files of this system: reading one could block
    // or never end (a link to /dev/zero in the catalogue folder).
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return EnvStatus::Error(kErrorAccessDenied, 0, "open " + path + ": not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if ((wantWrite || truncate) && IsReadOnlyFile(st)) {
        ::close(fd);
        return ReadOnlyDenied("open", path);
    }
    if (EnvStatus s = AcquireShareLocks(fd, options.access, options.share, path); !s.ok()) {
        ::close(fd);
        return s;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        int err = errno;
        ::close(fd);
        return Fail(err, "truncate", path, native);
    }
    file->reset(new CPosixFile(fd, path, options.access));
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::GetFileInfo(const std::string& path, FileInfo* info) {
    *info = FileInfo();
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    struct stat st;
    if (::stat(native.c_str(), &st) != 0)
        return Fail(errno, "stat", path, native);
    FillFileInfo(st, info);
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::GetLinkInfo(const std::string& path, LinkInfo* info) {
    *info = LinkInfo();
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0)
        return Fail(errno, "stat", path, native);
    info->isLink = S_ISLNK(st.st_mode);
    info->ownerId = st.st_uid;
    return EnvStatus::Ok();
}

namespace {

// A lock taken with flock: independent of the record locks that emulate share modes, and
// held by this open file only, so two holders in one process exclude each other too.
class CPosixFileLock : public IFileLock {
  public:
    explicit CPosixFileLock(int fd) : m_fd(fd) {}
    ~CPosixFileLock() override { ::close(m_fd); }  // closing releases the lock
    CPosixFileLock(const CPosixFileLock&) = delete;
    CPosixFileLock& operator=(const CPosixFileLock&) = delete;

  private:
    int m_fd;
};

}  // namespace

EnvStatus CPosixEnv::LockFile(const std::string& path, std::unique_ptr<IFileLock>* lock) {
    lock->reset();
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    const int fd = OpenRetrying(native.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return Fail(errno, "lock", path, native);
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return EnvStatus::Error(kErrorLockViolation, error,
                                    "lock " + path + ": held by another");
        return Fail(error, "lock", path, native);
    }
    *lock = std::make_unique<CPosixFileLock>(fd);
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::Access(const std::string& path, int mode) {
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    int how;
    switch (mode) {
        case kAccessExists:
            how = F_OK;
            break;
        case kAccessCanWrite:
            how = W_OK;
            break;
        case kAccessCanRead:
            how = R_OK;
            break;
        case kAccessCanReadWrite:
            how = R_OK | W_OK;
            break;
        default:
            return EnvStatus::Error(kErrorInvalidParameter, EINVAL,
                                    "access " + path + ": mode " + std::to_string(mode));
    }
    if (::access(native.c_str(), how) != 0)
        return Fail(errno, "access", path, native);
    struct stat st;
    if ((mode & kAccessCanWrite) && ::stat(native.c_str(), &st) == 0 && IsReadOnlyFile(st)) {
        return ReadOnlyDenied("access", path);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::SetReadOnly(const std::string& path, bool readOnly) {
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    struct stat st;
    if (::stat(native.c_str(), &st) != 0)
        return Fail(errno, "stat", path, native);
    // As on Windows, the read-only state of a folder changes nothing.
    if (S_ISDIR(st.st_mode))
        return EnvStatus::Ok();
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    if (::chmod(native.c_str(), mode) != 0)
        return Fail(errno, "chmod", path, native);
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::CreateDirectory(const std::string& path) {
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    if (::mkdir(native.c_str(), 0777) != 0) {
        int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            return EnvStatus::Error(kErrorPathNotFound, err, "create folder " + path);
        }
        return EnvStatus::FromErrno(err, "create folder " + path);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::RemoveDirectory(const std::string& path) {
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    if (::rmdir(native.c_str()) != 0) {
        int err = errno;
        if (err == EEXIST)
            err = ENOTEMPTY;
        struct stat st;
        if (err == ENOTDIR && ::stat(native.c_str(), &st) == 0) {
            return EnvStatus::Error(kErrorDirectory, err,
                                    "remove folder " + path + ": not a folder");
        }
        return Fail(err, "remove folder", path, native);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::DeleteFile(const std::string& path) {
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0)
        return Fail(errno, "delete", path, native);
    if (S_ISDIR(st.st_mode)) {
        return EnvStatus::Error(kErrorAccessDenied, EISDIR, "delete " + path + ": is a folder");
    }
    if (IsReadOnlyFile(st))
        return ReadOnlyDenied("delete", path);
    if (::unlink(native.c_str()) != 0)
        return Fail(errno, "delete", path, native);
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::MoveFile(const std::string& from, const std::string& to,
                              bool replaceExisting) {
    std::string nativeFrom;
    std::string nativeTo;
    if (EnvStatus s = ToNativePath(from, &nativeFrom); !s.ok())
        return s;
    if (EnvStatus s = ToNativePath(to, &nativeTo); !s.ok())
        return s;
    const std::string context = "move " + from + " to " + to;
    struct stat source;
    if (::lstat(nativeFrom.c_str(), &source) != 0)
        return Fail(errno, "move", from, nativeFrom);
    if (nativeFrom == nativeTo)
        return EnvStatus::Ok();

    struct stat target;
    const bool targetExists = ::lstat(nativeTo.c_str(), &target) == 0;
    if (targetExists && replaceExisting && IsReadOnlyFile(target)) {
        return ReadOnlyDenied("replace", to);
    }
    int result;
    if (replaceExisting) {
        result = ::rename(nativeFrom.c_str(), nativeTo.c_str());
    } else {
        result =
            ::renameat2(AT_FDCWD, nativeFrom.c_str(), AT_FDCWD, nativeTo.c_str(), RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL) {
            // The file system cannot rename without replacing: a hard link refuses an
            // existing name atomically. Folders, and file systems without hard links, fall
            // back to a check before renaming.
            auto checkThenRename = [&] {
                if (::access(nativeTo.c_str(), F_OK) == 0) {
                    errno = EEXIST;
                    return -1;
                }
                return ::rename(nativeFrom.c_str(), nativeTo.c_str());
            };
            if (S_ISDIR(source.st_mode)) {
                result = checkThenRename();
            } else {
                result = ::link(nativeFrom.c_str(), nativeTo.c_str());
                if (result != 0 && (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS)) {
                    result = checkThenRename();
                } else if (result == 0 && ::unlink(nativeFrom.c_str()) != 0) {
                    // Both names now exist: undo, and report why the move failed.
                    const int err = errno;
                    ::unlink(nativeTo.c_str());
                    errno = err;
                    result = -1;
                }
            }
        }
    }
    if (result != 0) {
        int err = errno;
        // The source exists, so a missing piece is the target's folder.
        if (err == ENOENT || err == ENOTDIR)
            return EnvStatus::Error(kErrorPathNotFound, err, context);
        return EnvStatus::FromErrno(err, context);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::CopyFileAttributes(const std::string& from, const std::string& to) {
    std::string nativeFrom;
    std::string nativeTo;
    if (EnvStatus s = ToNativePath(from, &nativeFrom); !s.ok())
        return s;
    if (EnvStatus s = ToNativePath(to, &nativeTo); !s.ok())
        return s;
    struct stat source;
    if (::stat(nativeFrom.c_str(), &source) != 0)
        return Fail(errno, "stat", from, nativeFrom);
    // Owner first: chown clears set-id bits, which the mode then restores. Only root (or
    // the owner, for a group it belongs to) may give a file away; others keep their own.
    if (::chown(nativeTo.c_str(), source.st_uid, source.st_gid) != 0 && errno != EPERM)
        return Fail(errno, "chown", to, nativeTo);
    if (::chmod(nativeTo.c_str(), source.st_mode & 07777) != 0)
        return Fail(errno, "chmod", to, nativeTo);
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::LinkFile(const std::string& existing, const std::string& newName) {
    std::string nativeExisting;
    std::string nativeNew;
    if (EnvStatus s = ToNativePath(existing, &nativeExisting); !s.ok())
        return s;
    if (EnvStatus s = ToNativePath(newName, &nativeNew); !s.ok())
        return s;
    if (::link(nativeExisting.c_str(), nativeNew.c_str()) != 0) {
        int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            struct stat st;
            if (::lstat(nativeExisting.c_str(), &st) != 0) {
                return Fail(errno, "link", existing, nativeExisting);
            }
            return EnvStatus::Error(kErrorPathNotFound, err, "link " + existing + " as " + newName);
        }
        // A file system without second names (FUSE, some network mounts) says so with
        // one of these; callers then fall back to what they can do without links.
        if (err == EOPNOTSUPP || err == ENOTSUP || err == ENOSYS) {
            return EnvStatus::Error(kErrorNotSupported, err,
                                    "link " + existing + " as " + newName + ": not supported");
        }
        if (err == EPERM)
            err = EACCES;  // link(2) refuses folders with EPERM, and FAT refuses every file
        return EnvStatus::FromErrno(err, "link " + existing + " as " + newName);
    }
    return EnvStatus::Ok();
}

EnvStatus CPosixEnv::SyncDirectory(const std::string& path) {
    std::string native;
    if (EnvStatus s = ToNativePath(path, &native); !s.ok())
        return s;
    int fd = OpenRetrying(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            return EnvStatus::Error(kErrorPathNotFound, err, "sync folder " + path);
        }
        return EnvStatus::FromErrno(err, "sync folder " + path);
    }
    int result = ::fsync(fd);
    int err = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; their entries are as durable as they get.
    if (result != 0 && err != EINVAL && err != EROFS) {
        return EnvStatus::FromErrno(err, "sync folder " + path);
    }
    return EnvStatus::Ok();
}

namespace {

// Lists `folder` (native `native`) and calls `found` with the open folder's descriptor, each
// matching entry's name as it is on disk, its Windows-1252 name and its d_type. File names are
// UTF-8; one that is not (or holds a character Windows-1252 lacks) keeps its bytes, which
// ToNativePath maps back to the same name.
EnvStatus ListFolder(const std::string& folder, const std::string& native,
                     const std::string& pattern,
                     const std::function<void(int dirFd, const char* onDisk, std::string name,
                                              unsigned char type)>& found) {
    DIR* dir = ::opendir(native.c_str());
    if (!dir) {
        int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            return EnvStatus::Error(kErrorPathNotFound, err, "search folder " + folder);
        }
        return EnvStatus::FromErrno(err, "search folder " + folder);
    }
    for (;;) {
        errno = 0;
        struct dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (std::string text; Utf8ToCp1252(name, &text))
            name = std::move(text);
        if (MatchWildcard(pattern, name))
            found(::dirfd(dir), entry->d_name, std::move(name), entry->d_type);
    }
    int err = errno;
    ::closedir(dir);
    return err != 0 ? EnvStatus::FromErrno(err, "search folder " + folder) : EnvStatus::Ok();
}

// The FolderEntry of `onDisk` in the open folder `dirFd`, of d_type `type`.
FolderEntry EntryIn(int dirFd, const char* onDisk, std::string name, unsigned char type) {
    FolderEntry found;
    found.name = std::move(name);
    struct stat st;
    found.linked = type == DT_LNK;
    if (type == DT_UNKNOWN)  // the file system does not say: ask
        found.linked =
            ::fstatat(dirFd, onDisk, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
    // Relative to the open folder: no path lookup per file.
    if (::fstatat(dirFd, onDisk, &st, 0) == 0) {
        FillFileInfo(st, &found.info);
        found.stated = true;
        found.linked = found.linked || (!S_ISDIR(st.st_mode) && st.st_nlink > 1);
    }
    return found;
}

}  // namespace

EnvStatus CPosixEnv::FindFiles(const std::string& folder, const std::string& pattern,
                               std::vector<std::string>* names) {
    names->clear();
    std::string native = ".";
    if (!folder.empty()) {
        if (EnvStatus s = ToNativePath(folder, &native); !s.ok())
            return s;
    }
    EnvStatus listed =
        ListFolder(folder, native, pattern, [&](int, const char*, std::string name, unsigned char) {
            names->push_back(std::move(name));
        });
    if (!listed.ok())
        names->clear();
    return listed;
}

EnvStatus CPosixEnv::FindFilesWithInfo(const std::string& folder, const std::string& pattern,
                                       std::vector<FolderEntry>* entries) {
    entries->clear();
    std::string native = ".";
    if (!folder.empty()) {
        if (EnvStatus s = ToNativePath(folder, &native); !s.ok())
            return s;
    }
    EnvStatus listed =
        ListFolder(folder, native, pattern,
                   [&](int dirFd, const char* onDisk, std::string name, unsigned char type) {
                       entries->push_back(EntryIn(dirFd, onDisk, std::move(name), type));
                   });
    if (!listed.ok())
        entries->clear();
    return listed;
}

bool IsWatchableFileSystemType(uint64_t type) {
    switch (type) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // XFS
        case 0x9123683E:  // Btrfs
        case 0xF2F52010:  // F2FS
        case 0x2FC12FC1:  // ZFS
        case 0x3434:      // NILFS
        case 0x52654973:  // ReiserFS
        case 0x3153464A:  // JFS
        case 0x4D44:      // FAT
        case 0x2011BAB0:  // exFAT
        case 0x7366746E:  // NTFS (ntfs3)
        case 0x01021994:  // tmpfs
        case 0x858458F6:  // ramfs
        case 0x794C7630:  // overlay (its layers must not be changed underneath)
            return true;
        default:
            return false;
    }
}

namespace {

// What a folder watch listens for. The kernel adds IN_IGNORED, IN_UNMOUNT and IN_Q_OVERFLOW.
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

class CPosixFolderWatch final : public IFolderWatch {
  public:
    CPosixFolderWatch(int fd, std::string native, std::string pattern, const struct stat& folder)
        : m_fd(fd), m_native(std::move(native)), m_pattern(std::move(pattern)), m_folder(folder) {}
    ~CPosixFolderWatch() override { ::close(m_fd); }
    CPosixFolderWatch(const CPosixFolderWatch&) = delete;
    CPosixFolderWatch& operator=(const CPosixFolderWatch&) = delete;

    bool Changed() override {
        if (!m_changed) {
            struct stat st;
            m_changed =
                _events_pending() || ::stat(m_native.c_str(), &st) != 0 || !SameFile(st, m_folder);
        }
        return m_changed;
    }

  private:
    // Reads every queued event; true at the first that may change a listing, or an error.
    bool _events_pending() {
        alignas(struct inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return errno != EAGAIN;
            if (got == 0)
                return true;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
                if (event->len == 0)
                    return true;  // the folder itself, or the queue overflowed
                std::string name = event->name;
                if (std::string text; Utf8ToCp1252(name, &text))
                    name = std::move(text);
                if (MatchWildcard(m_pattern, name))
                    return true;
            }
        }
    }

    int m_fd;
    std::string m_native;
    std::string m_pattern;
    struct stat m_folder;  // what the path led to when the watch was made
    bool m_changed = false;
};

}  // namespace

EnvStatus CPosixEnv::WatchFolder(const std::string& folder, const std::string& pattern,
                                 std::unique_ptr<IFolderWatch>* watch) {
    watch->reset();
    std::string native = ".";
    if (!folder.empty()) {
        if (EnvStatus s = ToNativePath(folder, &native); !s.ok())
            return s;
    }
    const std::string context = "watch folder " + folder;
    struct stat before;
    if (::stat(native.c_str(), &before) != 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            return EnvStatus::Error(kErrorPathNotFound, err, context);
        return EnvStatus::FromErrno(err, context);
    }
    if (!S_ISDIR(before.st_mode))
        return EnvStatus::Error(kErrorPathNotFound, ENOTDIR, context);
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return EnvStatus::FromErrno(errno, context);
    // The path is looked up three times; any of them leading elsewhere (the folder
    // replaced meanwhile) would leave the watch on another folder than the one listed.
    struct statfs fs;
    struct stat after;
    if (::inotify_add_watch(fd, native.c_str(), kWatchMask) < 0 ||
        ::statfs(native.c_str(), &fs) != 0 || ::stat(native.c_str(), &after) != 0) {
        const int err = errno;
        ::close(fd);
        return EnvStatus::FromErrno(err, context);
    }
    if (!SameFile(before, after)) {
        ::close(fd);
        return EnvStatus::Error(kErrorNotSupported, 0, context + ": replaced while watched");
    }
    if (!IsWatchableFileSystemType(static_cast<uint64_t>(fs.f_type))) {
        ::close(fd);
        char type[32];
        std::snprintf(type, sizeof type, "%#llx", static_cast<unsigned long long>(fs.f_type));
        return EnvStatus::Error(kErrorNotSupported, 0,
                                context + ": file system " + type + " may change unseen");
    }
    *watch = std::make_unique<CPosixFolderWatch>(fd, native, pattern, after);
    return EnvStatus::Ok();
}

uint32_t CPosixEnv::GetTickCount() {
    struct timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000U + static_cast<uint64_t>(now.tv_nsec) / 1000000U;
    return static_cast<uint32_t>(ms);
}

uint64_t CPosixEnv::GetSystemTimeAsFileTime() {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeFromUnix(now.tv_sec, now.tv_nsec);
}

void CPosixEnv::Sleep(uint32_t milliseconds) {
    struct timespec wait;
    wait.tv_sec = milliseconds / 1000;
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

EnvStatus CPosixEnv::CreateGuid(Guid* guid) {
    size_t filled = 0;
    while (filled < sizeof guid->bytes) {
        ssize_t n = ::getrandom(guid->bytes + filled, sizeof guid->bytes - filled, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return EnvStatus::FromErrno(errno, "create GUID");
        }
        filled += static_cast<size_t>(n);
    }
    // Version 4 (random) in the high bits of Data3, variant 10 in Data4[0].
    guid->bytes[7] = static_cast<uint8_t>((guid->bytes[7] & 0x0F) | 0x40);
    guid->bytes[8] = static_cast<uint8_t>((guid->bytes[8] & 0x3F) | 0x80);
    return EnvStatus::Ok();
}

uint32_t CPosixEnv::GetProcessId() {
    return static_cast<uint32_t>(::getpid());
}

}  // namespace kitroster
