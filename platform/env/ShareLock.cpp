#include "platform/env/ShareLock.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdint>
#include <limits>

#include "platform/env/Env.h"

namespace kitroster {
namespace {

// The reserved ranges sit just below the largest file offset.
constexpr off_t kLockBase = std::numeric_limits<off_t>::max() - 64;
enum Slot { kHasRead = 0, kHasWrite = 1, kDeniesRead = 2, kDeniesWrite = 3, kSlotCount = 4 };

struct flock MakeLock(short type, off_t start, off_t length) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    lock.l_pid = 0;  // required for OFD locks
    return lock;
}

int SetSlot(int fd, Slot slot) {
    struct flock lock = MakeLock(F_RDLCK, kLockBase + slot, 1);
    return fcntl(fd, F_OFD_SETLK, &lock);
}

void ReleaseAll(int fd) {
    struct flock lock = MakeLock(F_UNLCK, kLockBase, kSlotCount);
    fcntl(fd, F_OFD_SETLK, &lock);
}

// Whether another open file description holds a lock on `slot`.
bool OthersHold(int fd, Slot slot) {
    struct flock lock = MakeLock(F_WRLCK, kLockBase + slot, 1);
    if (fcntl(fd, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
}

}  // namespace

EnvStatus AcquireShareLocks(int fd, unsigned access, unsigned share, const std::string& path) {
    const bool wantRead = (access & kAccessRead) != 0;
    const bool wantWrite = (access & kAccessWrite) != 0;
    if (!wantRead && !wantWrite)
        return EnvStatus::Ok();
    const bool denyRead = (share & kShareRead) == 0;
    const bool denyWrite = (share & kShareWrite) == 0;

    const Slot held[] = {kHasRead, kHasWrite, kDeniesRead, kDeniesWrite};
    const bool take[] = {wantRead, wantWrite, denyRead, denyWrite};
    for (int i = 0; i < kSlotCount; ++i) {
        if (take[i] && SetSlot(fd, held[i]) != 0) {
            ReleaseAll(fd);
            // No lock support: the file cannot take part in the emulation.
            return EnvStatus::Ok();
        }
    }
    const bool conflict =
        (wantRead && OthersHold(fd, kDeniesRead)) || (wantWrite && OthersHold(fd, kDeniesWrite)) ||
        (denyRead && OthersHold(fd, kHasRead)) || (denyWrite && OthersHold(fd, kHasWrite));
    if (conflict) {
        ReleaseAll(fd);
        return EnvStatus::Error(kErrorSharingViolation, 0,
                                "sharing violation: " + path + " is in use by another handle");
    }
    return EnvStatus::Ok();
}

}  // namespace kitroster
