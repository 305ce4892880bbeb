// CPosixEnv: the Env of real use, on POSIX system calls (Linux).
//
// Windows-form path text is mapped at the system-call boundary by MapWindowsPath
// (PathMapping.h); UNC paths "\\server\share\rest" lead to <UNC root>/server/share/rest.
// The Windows-1252 text becomes UTF-8 there, and listed names come back as Windows-1252;
// a listed name that is not UTF-8 keeps its bytes, and a component with those bytes is
// used as it is when only that spelling exists on disk, so such a file opens again.
// The process-wide instance (Env::Default()) takes its UNC root from $KITROSTER_UNC_ROOT
// when set, else "/net" (the automounter's convention). The registry value "UNCRoot"
// (string) under "Software\Corvent\Utilities\Kitroster\Platform" is applied by whoever
// configures the process, through SetUncRoot: this library sits below the registry and
// does not read it (ConfigureUncRootFromRegistry() of the common services does).
//
// Emulations of Windows behaviour: share modes through advisory locks (ShareLock.h);
// read-only files (no owner write bit) refuse write opens, deletion and replacement even
// for root; directory searches match Windows wildcards without regard to case.
//
// Thread-safety: safe for concurrent use.
#pragma once

#include <sys/stat.h>

#include <mutex>
#include <string>

#include "platform/env/Env.h"

namespace kitroster {

class KR_ENV_API CPosixEnv : public Env {
  public:
    static constexpr const char* kDefaultUncRoot = "/net";

    explicit CPosixEnv(std::string uncRoot = kDefaultUncRoot);

    // The process-wide instance, also returned by Env::Default(). Never destroyed.
    static CPosixEnv* Default();

    // The native folder under which UNC paths are found. Takes effect for later calls.
    // Only an absolute folder is accepted (false otherwise, nothing changes): an empty or
    // relative root would map UNC paths onto the file-system root or the working folder.
    bool SetUncRoot(const std::string& uncRoot);
    std::string GetUncRoot() const;

    EnvStatus OpenFile(const std::string& path, const OpenOptions& options,
                       std::unique_ptr<IFile>* file) override;
    EnvStatus GetFileInfo(const std::string& path, FileInfo* info) override;
    EnvStatus GetLinkInfo(const std::string& path, LinkInfo* info) override;
    EnvStatus Access(const std::string& path, int mode) override;
    EnvStatus SetReadOnly(const std::string& path, bool readOnly) override;
    EnvStatus CreateDirectory(const std::string& path) override;
    EnvStatus RemoveDirectory(const std::string& path) override;
    EnvStatus DeleteFile(const std::string& path) override;
    EnvStatus MoveFile(const std::string& from, const std::string& to,
                       bool replaceExisting) override;
    EnvStatus CopyFileAttributes(const std::string& from, const std::string& to) override;
    EnvStatus LinkFile(const std::string& existing, const std::string& newName) override;
    EnvStatus SyncDirectory(const std::string& path) override;
    EnvStatus LockFile(const std::string& path, std::unique_ptr<IFileLock>* lock) override;
    EnvStatus FindFilesWithInfo(const std::string& folder, const std::string& pattern,
                                std::vector<FolderEntry>* entries) override;
    EnvStatus FindFiles(const std::string& folder, const std::string& pattern,
                        std::vector<std::string>* names) override;
    // An inotify watch, on local file systems only (IsWatchableFileSystemType). Each call
    // of Changed() also checks that the path still leads to the watched folder, so a
    // parent renamed or a file system mounted over the path counts as a change.
    EnvStatus WatchFolder(const std::string& folder, const std::string& pattern,
                          std::unique_ptr<IFolderWatch>* watch) override;

    uint32_t GetTickCount() override;
    uint64_t GetSystemTimeAsFileTime() override;
    void Sleep(uint32_t milliseconds) override;

    EnvStatus CreateGuid(Guid* guid) override;
    uint32_t GetProcessId() override;

    EnvStatus ToNativePath(const std::string& path, std::string* native) override;

  private:
    mutable std::mutex m_mutex;  // guards m_uncRoot
    std::string m_uncRoot;
};

// File time (100 ns units since 1601-01-01 UTC) of a POSIX time.
KR_ENV_API uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);

// Whether the kernel sees every change of a file system of `type` (statfs f_type): only
// known local ones. Network and user-space file systems change on other machines or in a
// server process unseen, and an unknown type is not trusted either.
KR_ENV_API bool IsWatchableFileSystemType(uint64_t type);

// FileInfo of a stat result.
void FillFileInfo(const struct stat& st, FileInfo* info);

}  // namespace kitroster
