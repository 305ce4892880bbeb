// CCatalogueSession: the one way a program changes the catalogue. It takes the catalogue
// lock, loads, tells which files were skipped, lets the caller apply its change to the
// collection, saves all or nothing, tells which files stopped the save, and releases.
//
// Lock policy:
// - A short session (the kitroster tool, kitroster-manager --edit/--new, import,
//   doctor --fix) holds the lock from Load to the end of Save (kHoldFromLoad): no other
//   writer of the folder can change a file between what it read and what it writes.
// - A window that stays open (the manager window) loads without the lock and takes it
//   only for its Save (kTakeForSave): a person may keep it open for hours without holding
//   every other writer back. A file a peer changed since the window loaded it is refused
//   by the save's changed-on-disk check, and then nothing at all is written.
// Files Load skipped are never written or removed by Save; they do not stop a session.
//
// Thread-safety: a session belongs to one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/CatalogueLock.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

enum class ECatalogueLockPolicy {
    kHoldFromLoad,  // short sessions
    kTakeForSave,   // windows that stay open
};

class KITROSTER_API CCatalogueSession {
  public:
    // `collection` may be empty (Load makes one); a window passes the collection it
    // already shows. `onWait` (may be empty) is called once when the lock is busy.
    explicit CCatalogueSession(ECatalogueLockPolicy policy,
                               CZRauto_ptr<IKitroster> collection = CZRauto_ptr<IKitroster>(),
                               uint32_t waitMs = CCatalogueLock::kDefaultWaitMs,
                               std::function<void()> onWait = {});
    ~CCatalogueSession();
    CCatalogueSession(const CCatalogueSession&) = delete;
    CCatalogueSession& operator=(const CCatalogueSession&) = delete;

    // Takes the lock (kHoldFromLoad) and loads. False, with Error() saying why, when the
    // settings root cannot be used or the lock could not be taken: then nothing was read.
    // True otherwise, also when files were skipped (Skipped()) or the folder could not be
    // listed (Listed()).
    bool Load();
    // Saves all or nothing, under the lock (taken here for kTakeForSave and released
    // again). False when anything stopped it; then nothing on disk changed and Failures()
    // names every file (or the lock, the folder, an identifier) that stopped it.
    bool Save();
    // Gives the lock back; the collection stays usable for reading.
    void Release();

    IKitroster* Collection() const { return m_collection.get(); }
    const CZRauto_ptr<IKitroster>& CollectionHandle() const { return m_collection; }
    // Load accepted every file of a folder it could list.
    bool Clean() const { return m_clean; }
    // False when Load could not list the folder: files it never saw could be overwritten.
    bool Listed() const { return m_listed; }
    const std::vector<SSkippedFile>& Skipped() const { return m_skipped; }
    const std::vector<CString>& Failures() const { return m_failures; }
    const CString& Error() const { return m_error; }
    bool HoldsLock() const { return m_lock != nullptr; }

  private:
    bool _lock();

    ECatalogueLockPolicy m_policy;
    CZRauto_ptr<IKitroster> m_collection;
    uint32_t m_waitMs;
    std::function<void()> m_onWait;
    std::unique_ptr<CCatalogueLock> m_lock;
    bool m_clean = false;
    bool m_listed = false;
    std::vector<SSkippedFile> m_skipped;
    std::vector<CString> m_failures;
    CString m_error;
};

}  // namespace NResourceItem
