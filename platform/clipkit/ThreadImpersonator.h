// IThreadImpersonator: file access as another local account, for the calling thread.
//
// When the process runs as root, Impersonate switches the calling thread's file-system
// user and group ids (setfsuid, setfsgid) and its supplementary groups (the per-thread
// system call, not glibc's process-wide setgroups) to those of the local account;
// files the thread opens, creates or removes afterwards are checked and owned as that
// account. Other threads are not affected. Revert restores the ids and groups the thread
// had before.
//
// When the process does not run as root it cannot take another identity: Impersonate
// then does nothing and succeeds, and files are accessed as the process's own user. This
// is the documented behaviour, not an error: an unprivileged service already is the
// account it works as.
//
// Results are HRESULT-style values: 0 success; 0x80070534 (no mapping between account
// names and ids) for an account this machine does not know; 0x80070005 when the ids did
// not change.
//
// Thread-safety: an object is used by the one thread it impersonates on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#define KR_CLIPKIT_API __attribute__((visibility("default")))

namespace kitroster {

constexpr int32_t kImpersonateUnknownAccount = static_cast<int32_t>(0x80070534);
constexpr int32_t kImpersonateRefused = static_cast<int32_t>(0x80070005);

class KR_CLIPKIT_API IThreadImpersonator {
  public:
    virtual ~IThreadImpersonator() = default;
    // `user` may carry a domain ("DOMAIN\user"); the local account "user" is used.
    virtual int32_t Impersonate(const std::string& user) = 0;
    // Back to the ids the thread had before the first Impersonate since the last Revert.
    virtual void Revert() = 0;
    virtual bool IsImpersonating() const = 0;
};

class KR_CLIPKIT_API CFsidImpersonator : public IThreadImpersonator {
  public:
    CFsidImpersonator() = default;
    ~CFsidImpersonator() override;
    int32_t Impersonate(const std::string& user) override;
    void Revert() override;
    bool IsImpersonating() const override { return m_active; }

  private:
    bool m_active = false;
    uint32_t m_savedUid = 0;
    uint32_t m_savedGid = 0;
    std::vector<uint32_t> m_savedGroups;
};

// A new real impersonator.
KR_CLIPKIT_API std::unique_ptr<IThreadImpersonator> CreateThreadImpersonator();

}  // namespace kitroster
