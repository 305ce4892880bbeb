#include "catalogue/CatalogueSession.h"

#include <utility>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFolder.h"

namespace NResourceItem {

CCatalogueSession::CCatalogueSession(ECatalogueLockPolicy policy,
                                     CZRauto_ptr<IKitroster> collection, uint32_t waitMs,
                                     std::function<void()> onWait)
    : m_policy(policy),
      m_collection(std::move(collection)),
      m_waitMs(waitMs),
      m_onWait(std::move(onWait)) {}

CCatalogueSession::~CCatalogueSession() = default;

bool CCatalogueSession::_lock() {
    if (m_lock)
        return true;
    m_error.Empty();
    m_lock = CCatalogueLock::Acquire(GetCatalogueFolder(), m_waitMs, m_onWait, &m_error);
    return m_lock != nullptr;
}

bool CCatalogueSession::Load() {
    m_error.Empty();
    m_skipped.clear();
    m_clean = m_listed = false;
    if (!CheckSettingsRoot(&m_error))
        return false;
    if (m_policy == ECatalogueLockPolicy::kHoldFromLoad && !_lock())
        return false;
    if (!m_collection)
        m_collection = CKitrosterFactory::CreateInstance();
    const bool allRead = m_collection->Load();
    const bool present = CatalogueFolderExists(GetCatalogueFolder());
    m_skipped = GetSkippedFilesWithReasons(m_collection);
    // Load reports false without naming a file only when the folder could not be listed.
    m_listed = allRead || !m_skipped.empty() || !present;
    m_clean = allRead && present;
    return true;
}

bool CCatalogueSession::Save() {
    m_failures.clear();
    if (!m_collection)
        return false;
    // A folder that is gone cannot hold the lock; the collection's save names it and
    // writes nothing, as it never makes the folder again.
    if (CatalogueFolderExists(GetCatalogueFolder()) && !_lock()) {
        m_failures.push_back(m_error);
        return false;
    }
    const bool saved = SaveAllOrNothing(m_collection.get());
    m_failures = GetSaveFailures(m_collection.get());
    if (m_policy == ECatalogueLockPolicy::kTakeForSave)
        Release();
    return saved && m_failures.empty();
}

void CCatalogueSession::Release() {
    m_lock.reset();
}

}  // namespace NResourceItem
