// CCatalogueLock: the advisory lock that writers of one catalogue folder take from their
// Load to the end of their Save, so that two of them never interleave a read and a write
// of the same files. The lock is a file in the folder (".~catalogue.lock", which no
// "_RES_*.zrr" pattern matches); only writers that take the lock are held back.
//
// Thread-safety: a lock object belongs to one thread; two objects exclude each other, in
// one process or several.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "platform/env/Env.h"

namespace NResourceItem {

class KITROSTER_API CCatalogueLock {
  public:
    // How long writers wait for each other by default.
    static constexpr uint32_t kDefaultWaitMs = 10000;

    // Takes the lock of `folder` (which must exist: a folder that vanished is not made
    // again behind the person's back), waiting up to `waitMs` on the
    // Env's clock. `onWait` (may be empty) is called once when the lock is busy, so that a
    // person sees why nothing happens. Null, with `*error` saying why, when the lock could
    // not be taken in time or the folder cannot hold it.
    static std::unique_ptr<CCatalogueLock> Acquire(const CString& folder, uint32_t waitMs,
                                                   const std::function<void()>& onWait,
                                                   CString* error);

  private:
    explicit CCatalogueLock(std::unique_ptr<kitroster::IFileLock> lock);

    std::unique_ptr<kitroster::IFileLock> m_lock;
};

}  // namespace NResourceItem
