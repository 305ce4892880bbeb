#include "platform/clipkit/ThreadImpersonator.h"

#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kitroster {

namespace {

struct Account {
    uid_t uid;
    gid_t gid;
    std::vector<gid_t> groups;
};

bool LookUp(const std::string& name, Account* account) {
    struct passwd entry;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return false;
    account->uid = found->pw_uid;
    account->gid = found->pw_gid;
    int count = 32;
    account->groups.resize(static_cast<size_t>(count));
    if (getgrouplist(found->pw_name, found->pw_gid, account->groups.data(), &count) < 0) {
        account->groups.resize(static_cast<size_t>(count));
        getgrouplist(found->pw_name, found->pw_gid, account->groups.data(), &count);
    }
    account->groups.resize(static_cast<size_t>(count));
    return true;
}

// The calling thread's supplementary groups (the raw system calls act per thread).
std::vector<uint32_t> ThreadGroups() {
    long count = syscall(SYS_getgroups, 0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0)
        count = syscall(SYS_getgroups, count, groups.data());
    groups.resize(count > 0 ? static_cast<size_t>(count) : 0);
    return std::vector<uint32_t>(groups.begin(), groups.end());
}

void SetThreadGroups(const std::vector<gid_t>& groups) {
    syscall(SYS_setgroups, groups.size(), groups.data());
}

std::string LocalName(const std::string& user) {
    size_t slash = user.rfind('\\');
    return slash == std::string::npos ? user : user.substr(slash + 1);
}

}  // namespace

CFsidImpersonator::~CFsidImpersonator() {
    Revert();
}

int32_t CFsidImpersonator::Impersonate(const std::string& user) {
    if (geteuid() != 0)
        return 0;  // no other identity to take: access stays the process's own
    Account account;
    if (!LookUp(LocalName(user), &account))
        return kImpersonateUnknownAccount;
    if (!m_active) {
        m_savedUid = static_cast<uint32_t>(setfsuid(static_cast<uid_t>(-1)));
        m_savedGid = static_cast<uint32_t>(setfsgid(static_cast<gid_t>(-1)));
        m_savedGroups = ThreadGroups();
    }
    // Groups and group id first: once the fsuid is not 0 the thread may lose the right.
    SetThreadGroups(account.groups);
    setfsgid(account.gid);
    setfsuid(account.uid);
    m_active = true;
    // Both calls return the previous value and never fail loudly: check the outcome.
    if (static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1))) != account.uid ||
        static_cast<gid_t>(setfsgid(static_cast<gid_t>(-1))) != account.gid) {
        Revert();
        return kImpersonateRefused;
    }
    return 0;
}

void CFsidImpersonator::Revert() {
    if (!m_active)
        return;
    setfsuid(static_cast<uid_t>(m_savedUid));
    setfsgid(static_cast<gid_t>(m_savedGid));
    SetThreadGroups(std::vector<gid_t>(m_savedGroups.begin(), m_savedGroups.end()));
    m_active = false;
}

std::unique_ptr<IThreadImpersonator> CreateThreadImpersonator() {
    return std::make_unique<CFsidImpersonator>();
}

}  // namespace kitroster
