#include "testing/env/TestEnv.h"

#include <algorithm>
#include <cerrno>

#include "platform/env/PosixEnv.h"

namespace kitroster {
namespace {

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
    if (part.empty())
        return true;
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                          [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
    return it != text.end();
}

// The errno a POSIX system would have reported with `error`, so that injected failures
// read like real ones in messages.
int ErrnoFor(uint32_t error) {
    switch (error) {
        case kErrorFileNotFound:
        case kErrorPathNotFound:
            return ENOENT;
        case kErrorAccessDenied:
            return EACCES;
        case kErrorSharingViolation:
            return EBUSY;
        case kErrorFileExists:
        case kErrorAlreadyExists:
            return EEXIST;
        case kErrorDiskFull:
        case kErrorHandleDiskFull:
            return ENOSPC;
        case kErrorIoDevice:
        case kErrorWriteFault:
        case kErrorReadFault:
            return EIO;
        default:
            return 0;
    }
}

// The target's watch, which also reports a change once the env's watch epoch moved.
class CTestFolderWatch final : public IFolderWatch {
  public:
    CTestFolderWatch(std::shared_ptr<const std::atomic<uint64_t>> epoch, uint64_t start,
                     std::unique_ptr<IFolderWatch> inner)
        : m_epoch(std::move(epoch)), m_start(start), m_inner(std::move(inner)) {}
    bool Changed() override { return m_epoch->load() != m_start || m_inner->Changed(); }

  private:
    std::shared_ptr<const std::atomic<uint64_t>> m_epoch;
    uint64_t m_start;
    std::unique_ptr<IFolderWatch> m_inner;
};

}  // namespace

// A file opened through CTestEnv: counts and fails its calls through the Env.
class CTestFile final : public IFile {
  public:
    CTestFile(CTestEnv* env, std::unique_ptr<IFile> inner, std::string path)
        : m_env(env), m_inner(std::move(inner)), m_path(std::move(path)) {}

    EnvStatus Read(void* buffer, size_t size, size_t* read) override {
        *read = 0;
        if (EnvStatus s = m_env->_enter(EnvOp::kRead, m_path); !s.ok())
            return s;
        return m_inner->Read(buffer, size, read);
    }
    EnvStatus Write(const void* data, size_t size) override {
        size_t partial = CTestEnv::kNoPartialWrite;
        EnvStatus injected = m_env->_enter(EnvOp::kWrite, m_path, &partial);
        if (injected.ok())
            return m_inner->Write(data, size);
        if (partial != CTestEnv::kNoPartialWrite && partial > 0)
            m_inner->Write(data, std::min(partial, size));
        return injected;
    }
    EnvStatus Seek(uint64_t offset) override { return m_inner->Seek(offset); }
    EnvStatus SetOwnerAndMode(const FileInfo& like) override {
        if (EnvStatus s = m_env->_enter(EnvOp::kCopyFileAttributes, m_path); !s.ok())
            return s;
        return m_inner->SetOwnerAndMode(like);
    }
    EnvStatus GetSize(uint64_t* size) override { return m_inner->GetSize(size); }
    EnvStatus GetInfo(FileInfo* info) override { return m_inner->GetInfo(info); }
    EnvStatus Truncate(uint64_t size) override {
        if (EnvStatus s = m_env->_enter(EnvOp::kTruncate, m_path); !s.ok())
            return s;
        return m_inner->Truncate(size);
    }
    EnvStatus Sync() override {
        if (EnvStatus s = m_env->_enter(EnvOp::kSync, m_path); !s.ok())
            return s;
        return m_inner->Sync();
    }
    EnvStatus Close() override {
        EnvStatus injected = m_env->_enter(EnvOp::kClose, m_path);
        EnvStatus closed = m_inner->Close();
        return injected.ok() ? closed : injected;
    }

  private:
    CTestEnv* m_env;
    std::unique_ptr<IFile> m_inner;
    std::string m_path;
};

const char* EnvOpName(EnvOp op) {
    static const char* const kNames[] = {"OpenFile",
                                         "Read",
                                         "Write",
                                         "Sync",
                                         "Truncate",
                                         "Close",
                                         "GetFileInfo",
                                         "Access",
                                         "SetReadOnly",
                                         "CreateDirectory",
                                         "RemoveDirectory",
                                         "DeleteFile",
                                         "MoveFile",
                                         "LinkFile",
                                         "SyncDirectory",
                                         "FindFiles",
                                         "LockFile",
                                         "CopyFileAttributes",
                                         "WatchFolder",
                                         "CreateGuid",
                                         "Sleep"};
    static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(EnvOp::kCount));
    int index = static_cast<int>(op);
    return index >= 0 && index < static_cast<int>(EnvOp::kCount) ? kNames[index] : "?";
}

CTestEnv::CTestEnv(Env* target) : EnvWrapper(target) {}
CTestEnv::~CTestEnv() {
    _invalidateWatches();  // a later env at this address must not inherit them
}

// --- Clocks ---

void CTestEnv::SetTickCount(uint32_t ticks) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ticks = ticks;
}

void CTestEnv::SetSystemTime(uint64_t fileTime) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fileTime = fileTime;
}

void CTestEnv::AdvanceTime(uint32_t milliseconds) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ticks += milliseconds;  // unsigned: wraps at 2^32 like the real counter
    m_fileTime += static_cast<uint64_t>(milliseconds) * 10000U;
}

void CTestEnv::SetSleepHook(std::function<void(uint32_t)> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sleepHook = std::move(hook);
}

uint64_t CTestEnv::TotalSleptMilliseconds() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slept;
}

uint32_t CTestEnv::GetTickCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ticks;
}

uint64_t CTestEnv::GetSystemTimeAsFileTime() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fileTime;
}

void CTestEnv::Sleep(uint32_t milliseconds) {
    std::function<void(uint32_t)> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_counts[static_cast<int>(EnvOp::kSleep)];
        m_slept += milliseconds;
        m_ticks += milliseconds;
        m_fileTime += static_cast<uint64_t>(milliseconds) * 10000U;
        hook = m_sleepHook;
    }
    if (hook)
        hook(milliseconds);
}

// --- Faults and counters ---

void CTestEnv::_addFault(const Fault& fault) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.push_back(fault);
    m_faults.back().nth = std::max(fault.nth, 1);
    _invalidateWatches();
}

void CTestEnv::FailNth(EnvOp op, int n, uint32_t error, const std::string& pathSubstring) {
    _addFault(Fault{op, pathSubstring, n, 1, error});
}

void CTestEnv::FailFrom(EnvOp op, int n, uint32_t error, const std::string& pathSubstring) {
    _addFault(Fault{op, pathSubstring, n, -1, error});
}

void CTestEnv::FailAllFrom(int n, uint32_t error) {
    _addFault(Fault{EnvOp::kCount, "", n, -1, error});
}

void CTestEnv::FailNthWritePartially(int n, size_t bytesWritten, uint32_t error,
                                     const std::string& pathSubstring) {
    _addFault(Fault{EnvOp::kWrite, pathSubstring, n, 1, error, bytesWritten});
}

void CTestEnv::SimulateSharingViolation(const std::string& pathSubstring, int count) {
    if (count > 0)
        _addFault(Fault{EnvOp::kOpenFile, pathSubstring, 1, count, kErrorSharingViolation});
}

void CTestEnv::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
    _invalidateWatches();
}

void CTestEnv::SetFileSystemType(std::optional<uint64_t> type) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fileSystemType = type;
    _invalidateWatches();
}

int CTestEnv::InjectedFailures() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_injected;
}

int CTestEnv::CallCount(EnvOp op) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    int index = static_cast<int>(op);
    return index >= 0 && index < static_cast<int>(EnvOp::kCount) ? m_counts[index] : 0;
}

std::vector<std::string> CTestEnv::OpenedForWrite() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_openedForWrite;
}

void CTestEnv::ResetCounts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fill(std::begin(m_counts), std::end(m_counts), 0);
    m_openedForWrite.clear();
}

EnvStatus CTestEnv::_enter(EnvOp op, const std::string& path, size_t* partialBytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_counts[static_cast<int>(op)];
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if ((it->op != op && it->op != EnvOp::kCount) || !ContainsNoCase(path, it->pathSubstring))
            continue;
        if (++it->matched < it->nth)
            continue;
        const uint32_t error = it->error;
        if (partialBytes)
            *partialBytes = it->partialBytes;
        if (it->remaining > 0 && --it->remaining == 0)
            m_faults.erase(it);
        ++m_injected;
        return EnvStatus::Error(error, ErrnoFor(error),
                                std::string("injected failure of ") + EnvOpName(op) + " " + path);
    }
    return EnvStatus::Ok();
}

// --- Env ---

EnvStatus CTestEnv::OpenFile(const std::string& path, const OpenOptions& options,
                             std::unique_ptr<IFile>* file) {
    file->reset();
    if (EnvStatus s = _enter(EnvOp::kOpenFile, path); !s.ok())
        return s;
    std::unique_ptr<IFile> inner;
    if (EnvStatus s = EnvWrapper::OpenFile(path, options, &inner); !s.ok())
        return s;
    if (options.access & kAccessWrite) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openedForWrite.push_back(path);
    }
    file->reset(new CTestFile(this, std::move(inner), path));
    return EnvStatus::Ok();
}

EnvStatus CTestEnv::GetFileInfo(const std::string& path, FileInfo* info) {
    *info = FileInfo();
    if (EnvStatus s = _enter(EnvOp::kGetFileInfo, path); !s.ok())
        return s;
    return EnvWrapper::GetFileInfo(path, info);
}

EnvStatus CTestEnv::Access(const std::string& path, int mode) {
    if (EnvStatus s = _enter(EnvOp::kAccess, path); !s.ok())
        return s;
    return EnvWrapper::Access(path, mode);
}

EnvStatus CTestEnv::SetReadOnly(const std::string& path, bool readOnly) {
    if (EnvStatus s = _enter(EnvOp::kSetReadOnly, path); !s.ok())
        return s;
    return EnvWrapper::SetReadOnly(path, readOnly);
}

EnvStatus CTestEnv::CreateDirectory(const std::string& path) {
    if (EnvStatus s = _enter(EnvOp::kCreateDirectory, path); !s.ok())
        return s;
    return EnvWrapper::CreateDirectory(path);
}

EnvStatus CTestEnv::RemoveDirectory(const std::string& path) {
    if (EnvStatus s = _enter(EnvOp::kRemoveDirectory, path); !s.ok())
        return s;
    return EnvWrapper::RemoveDirectory(path);
}

EnvStatus CTestEnv::DeleteFile(const std::string& path) {
    if (EnvStatus s = _enter(EnvOp::kDeleteFile, path); !s.ok())
        return s;
    return EnvWrapper::DeleteFile(path);
}

EnvStatus CTestEnv::MoveFile(const std::string& from, const std::string& to, bool replaceExisting) {
    if (EnvStatus s = _enter(EnvOp::kMoveFile, from); !s.ok())
        return s;
    return EnvWrapper::MoveFile(from, to, replaceExisting);
}

EnvStatus CTestEnv::LinkFile(const std::string& existing, const std::string& newName) {
    if (EnvStatus s = _enter(EnvOp::kLinkFile, existing); !s.ok())
        return s;
    return EnvWrapper::LinkFile(existing, newName);
}

EnvStatus CTestEnv::CopyFileAttributes(const std::string& from, const std::string& to) {
    if (EnvStatus s = _enter(EnvOp::kCopyFileAttributes, to); !s.ok())
        return s;
    return EnvWrapper::CopyFileAttributes(from, to);
}

EnvStatus CTestEnv::SyncDirectory(const std::string& path) {
    if (EnvStatus s = _enter(EnvOp::kSyncDirectory, path); !s.ok())
        return s;
    return EnvWrapper::SyncDirectory(path);
}

EnvStatus CTestEnv::FindFiles(const std::string& folder, const std::string& pattern,
                              std::vector<std::string>* names) {
    names->clear();
    if (EnvStatus s = _enter(EnvOp::kFindFiles, folder); !s.ok())
        return s;
    return EnvWrapper::FindFiles(folder, pattern, names);
}

EnvStatus CTestEnv::FindFilesWithInfo(const std::string& folder, const std::string& pattern,
                                      std::vector<FolderEntry>* entries) {
    entries->clear();
    if (EnvStatus s = _enter(EnvOp::kFindFiles, folder); !s.ok())
        return s;
    if (EnvStatus s = EnvWrapper::FindFilesWithInfo(folder, pattern, entries); !s.ok())
        return s;
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/')
        prefix += '\\';
    for (FolderEntry& entry : *entries) {
        if (!_enter(EnvOp::kGetFileInfo, prefix + entry.name).ok()) {
            entry.stated = false;
            entry.info = FileInfo();
        }
    }
    return EnvStatus::Ok();
}

EnvStatus CTestEnv::WatchFolder(const std::string& folder, const std::string& pattern,
                                std::unique_ptr<IFolderWatch>* watch) {
    watch->reset();
    if (EnvStatus s = _enter(EnvOp::kWatchFolder, folder); !s.ok())
        return s;
    // Taken before the target's watch is made, so a fault set meanwhile is not missed.
    std::shared_ptr<const std::atomic<uint64_t>> epoch = m_watchEpoch;
    const uint64_t start = epoch->load();
    std::optional<uint64_t> type;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        type = m_fileSystemType;
    }
    if (type && !IsWatchableFileSystemType(*type)) {
        return EnvStatus::Error(kErrorNotSupported, 0,
                                "watch folder " + folder + ": injected file system type");
    }
    std::unique_ptr<IFolderWatch> inner;
    if (EnvStatus s = EnvWrapper::WatchFolder(folder, pattern, &inner); !s.ok())
        return s;
    *watch = std::make_unique<CTestFolderWatch>(epoch, start, std::move(inner));
    return EnvStatus::Ok();
}

EnvStatus CTestEnv::LockFile(const std::string& path, std::unique_ptr<IFileLock>* lock) {
    lock->reset();
    if (EnvStatus s = _enter(EnvOp::kLockFile, path); !s.ok())
        return s;
    return EnvWrapper::LockFile(path, lock);
}

// --- Identities ---

void CTestEnv::SetProcessId(uint32_t pid) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pid = pid;
}

void CTestEnv::PushGuid(const Guid& guid) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_guidQueue.push_back(guid);
}

void CTestEnv::UseSequentialGuids(uint32_t first) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sequentialGuids = true;
    m_nextGuid = first;
}

EnvStatus CTestEnv::CreateGuid(Guid* guid) {
    *guid = Guid();
    if (EnvStatus s = _enter(EnvOp::kCreateGuid, ""); !s.ok())
        return s;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_guidQueue.empty()) {
            *guid = m_guidQueue.front();
            m_guidQueue.erase(m_guidQueue.begin());
            return EnvStatus::Ok();
        }
        if (m_sequentialGuids) {
            uint32_t value = m_nextGuid++;
            for (int i = 0; i < 4; ++i)
                guid->bytes[i] = static_cast<uint8_t>(value >> (8 * i));
            guid->bytes[7] = 0x40;
            guid->bytes[8] = 0x80;
            return EnvStatus::Ok();
        }
    }
    return EnvWrapper::CreateGuid(guid);
}

uint32_t CTestEnv::GetProcessId() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pid)
            return *m_pid;
    }
    return EnvWrapper::GetProcessId();
}

}  // namespace kitroster
