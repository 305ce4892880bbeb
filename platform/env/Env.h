// Env: every operating-system service the system uses, behind one interface.
//
// Nothing above platform/ calls the operating system directly. Each module receives the
// Env from the application object (GetKitrosterApp().GetEnv(); the POSIX Env, Env::Default(),
// in production), so tests substitute a CTestEnv with a
// settable clock, a settable tick counter and injected faults, and waits of many seconds
// run in microseconds.
//
// Paths are Windows-form text as the rest of the system writes them: backslashes and
// slashes are both separators, "\\server\share\rest" is a UNC path, "C:\dir" has a drive
// letter. The POSIX Env maps this text to a native path at the system-call boundary (see
// ToNativePath); drive-letter paths cannot be reached here and fail with
// kErrorPathNotFound.
//
// Errors are reported as Windows system error codes (EnvStatus::error), because the
// callers' documented behaviour depends on them (2 file not found, 3 path not found,
// 32 sharing violation, 183 already exists, ...). The errno that caused a failure is kept
// beside it for messages. The mapping from errno lives in one place (EnvStatus.cpp).
//
// Thread-safety: Env implementations are safe for concurrent use; an IFile is used by one
// thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/env/EnvStatus.h"

namespace kitroster {

// Access rights requested when opening a file (combinable).
enum FileAccess : unsigned { kAccessNone = 0, kAccessRead = 1, kAccessWrite = 2 };

// What other openers may do while this handle is open (combinable), as Windows share
// modes. The POSIX Env emulates them with advisory locks so that the system's own
// processes meet the same sharing violations they would meet on Windows: an open fails
// with kErrorSharingViolation when it asks for read or write access that an open handle
// does not share, or when it refuses to share an access an open handle already has.
// kShareDelete is accepted but not enforced: files may be renamed or removed while open,
// which the atomic replacement of files relies on. Opens with kAccessNone never conflict.
enum FileShare : unsigned { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };

enum class FileDisposition {
    kCreateNew,         // fail with kErrorFileExists if present
    kCreateAlways,      // create or truncate
    kOpenExisting,      // fail with kErrorFileNotFound if absent
    kOpenAlways,        // open or create
    kTruncateExisting,  // must exist; truncated
};

struct OpenOptions {
    unsigned access = kAccessRead;
    unsigned share = kShareRead | kShareWrite;
    FileDisposition disposition = FileDisposition::kOpenExisting;
    bool append = false;  // every write goes to the end of the file
    // Refuses a symbolic link as the last path component (kErrorAccessDenied) instead of
    // opening its target. Working files in a folder that another account may write are
    // opened this way, together with kCreateNew, so that a planted link never redirects
    // a write.
    bool noFollow = false;
};

struct FileInfo {
    bool isDirectory = false;
    bool readOnly = false;
    uint64_t size = 0;
    uint64_t lastWriteTime = 0;  // file time: 100 ns units since 1601-01-01 UTC
    // Tells files apart on one machine (device and inode): a file replaced by another, even
    // with the same size and time, has another id.
    uint64_t fileId = 0;
    // Permission bits (07777), owner and group, as the POSIX Env reports them; 0 where an
    // Env cannot tell.
    uint32_t mode = 0;
    uint32_t ownerId = 0;
    uint32_t groupId = 0;
};

// What a path names before any link is followed (lstat).
struct LinkInfo {
    bool isLink = false;     // a symbolic link
    uint32_t ownerId = 0;    // the owner of the link itself when isLink, else of the entry
};

// An open file. Closing happens in the destructor if Close() was not called; call Close()
// to learn whether the final flush succeeded.
class KR_ENV_API IFile {
  public:
    virtual ~IFile() = default;
    // Reads up to `size` bytes; `*read` is 0 at end of file.
    virtual EnvStatus Read(void* buffer, size_t size, size_t* read) = 0;
    // Writes all `size` bytes or fails.
    virtual EnvStatus Write(const void* data, size_t size) = 0;
    virtual EnvStatus Seek(uint64_t offset) = 0;
    virtual EnvStatus GetSize(uint64_t* size) = 0;
    // What GetFileInfo would report for the file now open (no path lookup).
    virtual EnvStatus GetInfo(FileInfo* info) = 0;
    virtual EnvStatus Truncate(uint64_t size) = 0;
    // Makes written data durable (fsync).
    virtual EnvStatus Sync() = 0;
    virtual EnvStatus Close() = 0;
    // Gives the open file the owner, group and permission bits of `like` (fchown, fchmod:
    // never by name, so a rename under the caller cannot redirect it). A change of owner
    // the caller may not make is skipped, not an error. kErrorNotSupported where the file
    // cannot do it.
    virtual EnvStatus SetOwnerAndMode(const FileInfo& like) {
        (void)like;
        return EnvStatus::Error(kErrorNotSupported, 0, "owner and mode not supported");
    }
};

// A GUID in the memory layout of the Windows GUID structure: Data1 (bytes 0-3), Data2
// (4-5) and Data3 (6-7) little-endian, then Data4 (8-15).
struct Guid {
    uint8_t bytes[16] = {};
};

// Access test modes, as the C runtime's _access: 0 existence, 2 write, 4 read, 6 both.
enum AccessMode : int {
    kAccessExists = 0,
    kAccessCanWrite = 2,
    kAccessCanRead = 4,
    kAccessCanReadWrite = 6
};

// One entry of FindFilesWithInfo: a name as FindFiles gives it and what GetFileInfo
// reports for it (`stated` false when that failed).
struct FolderEntry {
    std::string name;
    FileInfo info;
    bool stated = false;
    // A symbolic link, or a file with other names (hard links): its content can change
    // through a path outside the folder, which a folder watch does not see. Set by the
    // POSIX Env; the default FindFilesWithInfo cannot tell and leaves it false.
    bool linked = false;
};

// Tells whether a watched folder may have changed, so that an unchanged folder needs no
// listing. Used by one thread at a time.
class KR_ENV_API IFolderWatch {
  public:
    virtual ~IFolderWatch() = default;
    // True when, since the watch was made, an entry matching its pattern may have been
    // created, removed, renamed, written or had its attributes changed, or the folder
    // itself was removed, renamed, replaced or had its attributes changed, or the watch
    // lost track (events dropped, an error). Stays true once true: a new watch, made
    // before the next listing, starts afresh.
    virtual bool Changed() = 0;
};

// An exclusive advisory lock held on a file; released when destroyed.
class KR_ENV_API IFileLock {
  public:
    virtual ~IFileLock() = default;
};

class KR_ENV_API Env {
  public:
    virtual ~Env() = default;

    // The process-wide POSIX Env. Never destroyed.
    static Env* Default();

    // --- Files and folders ---
    // Opens or creates a file as `options` say. Failures: kErrorFileNotFound (the file
    // is missing), kErrorPathNotFound (its folder is missing), kErrorFileExists
    // (kCreateNew on an existing file), kErrorSharingViolation (share modes, see
    // FileShare), kErrorAccessDenied (a folder, no permission, or write access to a
    // read-only file: the read-only state is honoured even for root, as on Windows).
    virtual EnvStatus OpenFile(const std::string& path, const OpenOptions& options,
                               std::unique_ptr<IFile>* file) = 0;
    virtual EnvStatus GetFileInfo(const std::string& path, FileInfo* info) = 0;
    // Tells whether `path` itself is a symbolic link, without following it, and who owns
    // the entry. This default, for Envs without links, reports an ordinary entry when
    // GetFileInfo finds one.
    virtual EnvStatus GetLinkInfo(const std::string& path, LinkInfo* info);
    // Tests existence and permissions (AccessMode). A write test fails with
    // kErrorAccessDenied for a read-only file (SetReadOnly) even when running as root;
    // otherwise permissions are the operating system's, and root passes them all.
    virtual EnvStatus Access(const std::string& path, int mode) = 0;
    // Read-only means "no write permission for anyone": SetReadOnly(true) clears every
    // write bit, SetReadOnly(false) gives the owner write permission back. Folders are
    // left as they are (success), as their read-only state means nothing on Windows.
    virtual EnvStatus SetReadOnly(const std::string& path, bool readOnly) = 0;
    // Creates one folder; its parent must exist (kErrorPathNotFound otherwise);
    // kErrorAlreadyExists when it is already there.
    virtual EnvStatus CreateDirectory(const std::string& path) = 0;
    // Removes an empty folder (kErrorDirNotEmpty otherwise).
    virtual EnvStatus RemoveDirectory(const std::string& path) = 0;
    // Removes a file; kErrorAccessDenied for a folder or a read-only file.
    virtual EnvStatus DeleteFile(const std::string& path) = 0;
    // Renames a file (or a folder, without `replaceExisting`). With `replaceExisting` an
    // existing target is replaced atomically; without it an existing target fails with
    // kErrorAlreadyExists. Moves between file systems fail with kErrorNotSameDevice.
    virtual EnvStatus MoveFile(const std::string& from, const std::string& to,
                               bool replaceExisting) = 0;
    // Gives the file `to` the permission bits and the owner of the file `from`, so that
    // a replacement keeps who may read it. Failures: `from` or `to` missing (file or path
    // not found), or their mode could not be set. A change of owner that the caller may
    // not make (a user replacing another user's file) is skipped, not an error.
    virtual EnvStatus CopyFileAttributes(const std::string& from, const std::string& to) = 0;
    // Gives an existing file a second name (hard link).
    virtual EnvStatus LinkFile(const std::string& existing, const std::string& newName) = 0;
    // Makes a folder's entries (creations, renames, removals) durable.
    virtual EnvStatus SyncDirectory(const std::string& path) = 0;
    // Names (not paths) of the entries of `folder` that match `pattern`, a Windows
    // wildcard with '*' and '?' compared without regard to case, in directory order.
    // A missing folder yields kErrorPathNotFound and no names.
    virtual EnvStatus FindFiles(const std::string& folder, const std::string& pattern,
                                std::vector<std::string>* names) = 0;

    // Takes an exclusive advisory lock on `path` (created when missing) without waiting:
    // kErrorLockViolation while another holder, in this or another process, has it. The
    // lock guards only against others who take it too; the file's content is not touched.
    virtual EnvStatus LockFile(const std::string& path, std::unique_ptr<IFileLock>* lock) = 0;

    // FindFiles, with each entry's FileInfo. The POSIX Env looks each name up relative to
    // the open folder, which costs far less than a GetFileInfo of the whole path per name;
    // this default runs FindFiles, then GetFileInfo for every name.
    virtual EnvStatus FindFilesWithInfo(const std::string& folder, const std::string& pattern,
                                        std::vector<FolderEntry>* entries);

    // Watches `folder` for changes to its entries that match `pattern` (as FindFiles
    // matches). A watch made before a listing reports every later change that a new
    // listing could show, except changes through another name of a linked entry
    // (FolderEntry::linked). Fails with kErrorNotSupported where it could not: on network
    // and user-space file systems, changed by other machines or processes without this
    // kernel seeing it, and in an Env without watches (this default).
    virtual EnvStatus WatchFolder(const std::string& folder, const std::string& pattern,
                                  std::unique_ptr<IFolderWatch>* watch);

    // --- Time ---
    // Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
    virtual uint32_t GetTickCount() = 0;
    // Wall clock as a file time (100 ns units since 1601-01-01 UTC).
    virtual uint64_t GetSystemTimeAsFileTime() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;

    // --- Identity ---
    // A fresh random (version 4) GUID.
    virtual EnvStatus CreateGuid(Guid* guid) = 0;
    virtual uint32_t GetProcessId() = 0;

    // --- Paths ---
    // The native path for a Windows-form path, or an error for paths that cannot be
    // reached here (drive letters).
    virtual EnvStatus ToNativePath(const std::string& path, std::string* native) = 0;

    // --- Conveniences built on the operations above ---
    EnvStatus ReadFileToString(const std::string& path, std::string* contents);
    // Creates or truncates `path` and writes `contents`; syncs when asked.
    EnvStatus WriteStringToFile(const std::string& path, const std::string& contents,
                                bool sync = false);
    bool FileExists(const std::string& path);
};

// Forwards every call to another Env; tests override only what they want to change. A
// wrapper that changes what listings or file information report must override WatchFolder
// too, or the target's watches vouch for listings they do not see.
class KR_ENV_API EnvWrapper : public Env {
  public:
    explicit EnvWrapper(Env* target) : m_target(target) {}
    Env* target() const { return m_target; }

    EnvStatus OpenFile(const std::string& path, const OpenOptions& options,
                       std::unique_ptr<IFile>* file) override {
        return m_target->OpenFile(path, options, file);
    }
    EnvStatus GetFileInfo(const std::string& path, FileInfo* info) override {
        return m_target->GetFileInfo(path, info);
    }
    EnvStatus GetLinkInfo(const std::string& path, LinkInfo* info) override {
        return m_target->GetLinkInfo(path, info);
    }
    EnvStatus Access(const std::string& path, int mode) override {
        return m_target->Access(path, mode);
    }
    EnvStatus SetReadOnly(const std::string& path, bool readOnly) override {
        return m_target->SetReadOnly(path, readOnly);
    }
    EnvStatus CreateDirectory(const std::string& path) override {
        return m_target->CreateDirectory(path);
    }
    EnvStatus RemoveDirectory(const std::string& path) override {
        return m_target->RemoveDirectory(path);
    }
    EnvStatus DeleteFile(const std::string& path) override { return m_target->DeleteFile(path); }
    EnvStatus MoveFile(const std::string& from, const std::string& to,
                       bool replaceExisting) override {
        return m_target->MoveFile(from, to, replaceExisting);
    }
    EnvStatus CopyFileAttributes(const std::string& from, const std::string& to) override {
        return m_target->CopyFileAttributes(from, to);
    }
    EnvStatus LinkFile(const std::string& existing, const std::string& newName) override {
        return m_target->LinkFile(existing, newName);
    }
    EnvStatus SyncDirectory(const std::string& path) override {
        return m_target->SyncDirectory(path);
    }
    EnvStatus FindFiles(const std::string& folder, const std::string& pattern,
                        std::vector<std::string>* names) override {
        return m_target->FindFiles(folder, pattern, names);
    }
    EnvStatus LockFile(const std::string& path, std::unique_ptr<IFileLock>* lock) override {
        return m_target->LockFile(path, lock);
    }
    EnvStatus FindFilesWithInfo(const std::string& folder, const std::string& pattern,
                                std::vector<FolderEntry>* entries) override {
        return m_target->FindFilesWithInfo(folder, pattern, entries);
    }
    EnvStatus WatchFolder(const std::string& folder, const std::string& pattern,
                          std::unique_ptr<IFolderWatch>* watch) override {
        return m_target->WatchFolder(folder, pattern, watch);
    }
    uint32_t GetTickCount() override { return m_target->GetTickCount(); }
    uint64_t GetSystemTimeAsFileTime() override { return m_target->GetSystemTimeAsFileTime(); }
    void Sleep(uint32_t milliseconds) override { m_target->Sleep(milliseconds); }
    EnvStatus CreateGuid(Guid* guid) override { return m_target->CreateGuid(guid); }
    uint32_t GetProcessId() override { return m_target->GetProcessId(); }
    EnvStatus ToNativePath(const std::string& path, std::string* native) override {
        return m_target->ToNativePath(path, native);
    }

  private:
    Env* m_target;
};

}  // namespace kitroster
