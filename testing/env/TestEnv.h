// CTestEnv: the Env for tests, benchmarks and fuzz targets.
//
// It forwards file and folder operations to a real Env (normally the POSIX Env on a temp
// folder, see CTempDir) and adds:
//   - fake clocks: the tick counter and the wall clock start at fixed values and move only
//     when told. Sleep(ms) returns at once and advances both, so waits of many seconds
//     and tick wrap-around take microseconds;
//   - call counters per operation (EnvOp), and the list of files opened for writing;
//   - injected faults: the n-th call of an operation (counted from when the fault is set,
//     optionally only calls whose path contains a text) fails with a chosen Windows
//     error, once or from then on; simulated sharing violations for opens of a path;
//     torn writes (FailNthWritePartially); a simulated crash (FailAllFrom: every call from
//     the n-th on fails). A failed call does nothing: it does not reach the real Env;
//   - fixed identities: process id, GUID sequence;
//   - folder watches: the target's, which also report a change once faults were set or
//     cleared (an injected failure alters what a listing shows, as a change on disk
//     would); SetFileSystemType judges folders as if on another file system.
// Files opened through a CTestEnv are wrapped, so their Read, Write, Sync, Truncate and
// Close calls are counted and can be failed too.
//
// Example:
//     CTempDir dir;
//     CTestEnv env;                                     // over Env::Default()
//     env.FailNth(EnvOp::kWrite, 2, kErrorDiskFull);    // the second write fails
//     env.SimulateSharingViolation("_RES_CAM1", 3);     // three opens meet 32
//     env.SetTickCount(0xFFFFF000u);                    // wraps after 4096 ms
//     ... run the code under test with &env ...
//     EXPECT_EQ(env.CallCount(EnvOp::kMoveFile), 1);
//
// UNC paths in tests: wrap a CPosixEnv whose UNC root is inside the temp folder, e.g.
//     CPosixEnv posix(dir.Path("unc"));  CTestEnv env(&posix);
// and "\\srv\share\x" reaches <dir>/unc/srv/share/x.
//
// REQUIRES: the target Env outlives the CTestEnv, and the CTestEnv outlives every file
// opened through it.
// Thread-safety: safe for concurrent use; hooks run without the internal lock held.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"

namespace kitroster {

class CTestFile;

// Operations that CTestEnv counts. All can be failed except kSleep.
enum class EnvOp {
    kOpenFile,
    kRead,      // IFile::Read
    kWrite,     // IFile::Write
    kSync,      // IFile::Sync
    kTruncate,  // IFile::Truncate
    kClose,     // IFile::Close (an injected failure still closes the file)
    kGetFileInfo,
    kAccess,
    kSetReadOnly,
    kCreateDirectory,
    kRemoveDirectory,
    kDeleteFile,
    kMoveFile,  // the path matched by faults is the source
    kLinkFile,  // the path matched by faults is the existing file
    kSyncDirectory,
    kFindFiles,
    kLockFile,
    kCopyFileAttributes,  // the path matched by faults is the target
    kWatchFolder,
    kCreateGuid,
    kSleep,
    kCount  // number of operations, not an operation
};

// "OpenFile", "Write", ... for messages.
KR_ENV_API const char* EnvOpName(EnvOp op);

class CTestEnv : public EnvWrapper {
  public:
    // 2024-01-01 00:00:00 UTC as a file time.
    static constexpr uint64_t kInitialFileTime = 133485408000000000ULL;
    static constexpr uint32_t kInitialTickCount = 1000;

    explicit CTestEnv(Env* target = Env::Default());
    ~CTestEnv() override;

    // --- Clocks ---
    void SetTickCount(uint32_t ticks);
    void SetSystemTime(uint64_t fileTime);
    // Advances the tick counter (wrapping at 2^32) and the wall clock by `milliseconds`.
    void AdvanceTime(uint32_t milliseconds);
    // Called after every Sleep has advanced the clocks, with the requested milliseconds;
    // lets a test change the world while the code under test waits. Empty to remove.
    void SetSleepHook(std::function<void(uint32_t milliseconds)> hook);
    // The sum of all Sleep requests so far.
    uint64_t TotalSleptMilliseconds() const;

    // --- Faults ---
    // The n-th call (n >= 1) of `op` from now on whose path contains `pathSubstring`
    // (without regard to case; empty matches every call) fails with `error`, once.
    void FailNth(EnvOp op, int n, uint32_t error, const std::string& pathSubstring = "");
    // The same, but the n-th call and every later matching call fail.
    void FailFrom(EnvOp op, int n, uint32_t error, const std::string& pathSubstring = "");
    // Every counted call of any operation (Sleep excepted) from the n-th one on fails with
    // `error`, as if the process died there: nothing from that call on reaches the disk.
    // Crash-safety tests run an operation once per n and check what is left.
    void FailAllFrom(int n, uint32_t error);
    // A torn write: the n-th matching IFile::Write from now on writes only its first
    // `bytesWritten` bytes, then fails with `error` (a disk filling up mid-write).
    void FailNthWritePartially(int n, size_t bytesWritten, uint32_t error,
                               const std::string& pathSubstring = "");
    // The next `count` opens of a path containing `pathSubstring` (without regard to
    // case) fail with kErrorSharingViolation, as if another process held the file.
    void SimulateSharingViolation(const std::string& pathSubstring, int count);
    // Removes every pending fault and simulated sharing violation.
    void ClearFaults();
    // How many calls failed by injection so far.
    int InjectedFailures() const;

    // WatchFolder judges every folder as on a file system of `type` (statfs f_type, see
    // IsWatchableFileSystemType); unset, the target judges. Watches made before report a
    // change.
    void SetFileSystemType(std::optional<uint64_t> type);

    // --- Counters ---
    // Calls of `op` since construction or the last ResetCounts, failed ones included.
    int CallCount(EnvOp op) const;
    // Paths opened successfully with write access, in order (repeats included).
    std::vector<std::string> OpenedForWrite() const;
    // Sets every counter to zero and empties OpenedForWrite; pending faults keep counting
    // from where they were.
    void ResetCounts();

    // --- Identities (unset ones come from the target Env) ---
    void SetProcessId(uint32_t pid);
    // CreateGuid returns these GUIDs first, in order.
    void PushGuid(const Guid& guid);
    // Then, when enabled, deterministic GUIDs: Data1 counts up from `first`, every other
    // byte zero except the version-4 and variant bits.
    void UseSequentialGuids(uint32_t first = 1);

    // --- Env ---
    EnvStatus OpenFile(const std::string& path, const OpenOptions& options,
                       std::unique_ptr<IFile>* file) override;
    EnvStatus GetFileInfo(const std::string& path, FileInfo* info) override;
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
    // The target's listing, with the listing and every entry's information counted and
    // failed as FindFiles and GetFileInfo calls.
    EnvStatus FindFilesWithInfo(const std::string& folder, const std::string& pattern,
                                std::vector<FolderEntry>* entries) override;
    EnvStatus FindFiles(const std::string& folder, const std::string& pattern,
                        std::vector<std::string>* names) override;
    EnvStatus WatchFolder(const std::string& folder, const std::string& pattern,
                          std::unique_ptr<IFolderWatch>* watch) override;
    uint32_t GetTickCount() override;
    uint64_t GetSystemTimeAsFileTime() override;
    void Sleep(uint32_t milliseconds) override;
    EnvStatus CreateGuid(Guid* guid) override;
    uint32_t GetProcessId() override;

  private:
    friend class CTestFile;
    static constexpr size_t kNoPartialWrite = static_cast<size_t>(-1);

    struct Fault {
        EnvOp op;  // kCount: every operation
        std::string pathSubstring;
        int nth;        // fires from the nth matching call on
        int remaining;  // failures left; -1 for unlimited
        uint32_t error;
        size_t partialBytes = kNoPartialWrite;  // torn writes: bytes written before failing
        int matched = 0;
    };

    void _addFault(const Fault& fault);
    // Makes every watch made so far report a change.
    void _invalidateWatches() { ++*m_watchEpoch; }
    // Counts a call of `op` on `path` and returns the injected failure when one fires;
    // `*partialBytes` (when given) receives how much of a torn write still goes through.
    EnvStatus _enter(EnvOp op, const std::string& path, size_t* partialBytes = nullptr);

    mutable std::mutex m_mutex;
    uint32_t m_ticks = kInitialTickCount;
    uint64_t m_fileTime = kInitialFileTime;
    uint64_t m_slept = 0;
    std::function<void(uint32_t)> m_sleepHook;
    std::vector<Fault> m_faults;
    int m_injected = 0;
    int m_counts[static_cast<int>(EnvOp::kCount)] = {};
    std::vector<std::string> m_openedForWrite;
    std::optional<uint32_t> m_pid;
    std::vector<Guid> m_guidQueue;
    bool m_sequentialGuids = false;
    uint32_t m_nextGuid = 1;
    std::optional<uint64_t> m_fileSystemType;
    // Shared with the watches, which may outlive the env (the process-wide folder index).
    std::shared_ptr<std::atomic<uint64_t>> m_watchEpoch =
        std::make_shared<std::atomic<uint64_t>>(0);
};

// Services with only the Env replaced, for a CAppServicesOverride:
//     CTestEnv env;
//     CAppServicesOverride services(OnlyEnv(&env));
inline AppServices OnlyEnv(Env* env) {
    AppServices services;
    services.env = env;
    return services;
}

}  // namespace kitroster
