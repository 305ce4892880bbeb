// CCountingEnv: an Env that forwards to another and counts what a catalogue operation did
// to the disk: files opened for writing, renames, deletions and bytes read. Used to prove
// that a save touches only what changed.
//
// Thread-safety: counters are atomic; the wrapped Env sets the rest.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/env/Env.h"

namespace kitroster::bench {

class CCountingEnv : public EnvWrapper {
  public:
    explicit CCountingEnv(Env* target) : EnvWrapper(target) {}

    EnvStatus OpenFile(const std::string& path, const OpenOptions& options,
                       std::unique_ptr<IFile>* file) override {
        if (options.access & kAccessWrite)
            ++m_writeOpens;
        else
            ++m_readOpens;
        return EnvWrapper::OpenFile(path, options, file);
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
    }
    int writeOpens() const { return m_writeOpens; }
    int readOpens() const { return m_readOpens; }
    int moves() const { return m_moves; }
    int deletes() const { return m_deletes; }

  private:
    std::atomic<int> m_writeOpens{0};
    std::atomic<int> m_readOpens{0};
    std::atomic<int> m_moves{0};
    std::atomic<int> m_deletes{0};
};

}  // namespace kitroster::bench
