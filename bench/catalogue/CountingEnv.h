// CCountingEnv: an Env that forwards to another and counts what a catalogue operation did
// to the disk: files opened for writing, renames, deletions and bytes read. Used to prove
// that a save touches only what changed. It also sums the time spent in the syncs of files
// and folders, the share of a save's wall time that belongs to the disk rather than to the
// catalogue.
//
// Thread-safety: counters are atomic; the wrapped Env sets the rest.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/env/Env.h"

namespace kitroster::bench {

// Runs `sync` and adds its wall time to `total` (nanoseconds).
template <typename F>
EnvStatus TimedSync(std::atomic<int64_t>* total, F sync) {
    const auto start = std::chrono::steady_clock::now();
    EnvStatus status = sync();
    *total += std::chrono::duration_cast<std::chrono::nanoseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    return status;
}

// A file opened for writing whose Sync is timed; everything else goes straight through.
class CSyncTimingFile : public IFile {
  public:
    CSyncTimingFile(std::unique_ptr<IFile> target, std::atomic<int64_t>* syncNanos)
        : m_target(std::move(target)), m_syncNanos(syncNanos) {}
    EnvStatus Read(void* buffer, size_t size, size_t* read) override {
        return m_target->Read(buffer, size, read);
    }
    EnvStatus Write(const void* data, size_t size) override { return m_target->Write(data, size); }
    EnvStatus Seek(uint64_t offset) override { return m_target->Seek(offset); }
    EnvStatus GetSize(uint64_t* size) override { return m_target->GetSize(size); }
    EnvStatus GetInfo(FileInfo* info) override { return m_target->GetInfo(info); }
    EnvStatus Truncate(uint64_t size) override { return m_target->Truncate(size); }
    EnvStatus Sync() override {
        return TimedSync(m_syncNanos, [&] { return m_target->Sync(); });
    }
    EnvStatus Close() override { return m_target->Close(); }
    EnvStatus SetOwnerAndMode(const FileInfo& like) override {
        return m_target->SetOwnerAndMode(like);
    }

  private:
    std::unique_ptr<IFile> m_target;
    std::atomic<int64_t>* m_syncNanos;
};

class CCountingEnv : public EnvWrapper {
  public:
    explicit CCountingEnv(Env* target) : EnvWrapper(target) {}

    EnvStatus OpenFile(const std::string& path, const OpenOptions& options,
                       std::unique_ptr<IFile>* file) override {
        if (!(options.access & kAccessWrite)) {
            ++m_readOpens;
            return EnvWrapper::OpenFile(path, options, file);
        }
        ++m_writeOpens;
        EnvStatus status = EnvWrapper::OpenFile(path, options, file);
        if (status.ok() && *file)
            *file = std::make_unique<CSyncTimingFile>(std::move(*file), &m_syncNanos);
        return status;
    }
    EnvStatus SyncDirectory(const std::string& path) override {
        return TimedSync(&m_syncNanos, [&] { return EnvWrapper::SyncDirectory(path); });
    }
    EnvStatus MoveFile(const std::string& from, const std::string& to, bool replace) override {
        ++m_moves;
        return EnvWrapper::MoveFile(from, to, replace);
    }
    EnvStatus DeleteFile(const std::string& path) override {
        ++m_deletes;
        return EnvWrapper::DeleteFile(path);
    }

    void Reset() {
        m_writeOpens = 0;
        m_readOpens = 0;
        m_moves = 0;
        m_deletes = 0;
        m_syncNanos = 0;
    }
    int writeOpens() const { return m_writeOpens; }
    int readOpens() const { return m_readOpens; }
    int moves() const { return m_moves; }
    int deletes() const { return m_deletes; }
    // Wall time spent in file and folder syncs since the last Reset.
    double syncSeconds() const { return static_cast<double>(m_syncNanos.load()) * 1e-9; }

  private:
    std::atomic<int> m_writeOpens{0};
    std::atomic<int> m_readOpens{0};
    std::atomic<int> m_moves{0};
    std::atomic<int> m_deletes{0};
    std::atomic<int64_t> m_syncNanos{0};
};

}  // namespace kitroster::bench
