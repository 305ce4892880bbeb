#include "catalogue/Kitroster.h"

#include <algorithm>
#include <string>

#include "catalogue/BarList.h"
#include "catalogue/CatalogueContext.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/FileHelpers.h"
#include "platform/oxb_exception/ZRLogSite.h"

namespace NResourceItem {

namespace {

CZRLogSite s_log("KITROSTER");

constexpr const char* kResourceFilePattern = "_RES_*.zrr";

CString Upper(const CString& text) {
    CString upper = text;
    return upper.MakeUpper();
}

// Removes the first element equal to `id` ignoring case; true if one was removed.
bool EraseFirstNoCase(std::vector<CString>& list, const CString& id) {
    const auto it = std::find_if(list.begin(), list.end(), [&](const CString& entry) {
        return entry.CompareNoCase(id) == 0;
    });
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

// `value` with every bar-list element equal to `oldId` replaced by `newId`; empty
// elements are kept, so the separators stay where they were.
bool ReplaceBarElements(const CString& value, const CString& oldId, const CString& newId,
                        CString& result) {
    std::vector<CString> elements = SplitBarList(value);
    bool changed = false;
    for (CString& element : elements) {
        if (element == oldId) {
            element = newId;
            changed = true;
        }
    }
    result = changed ? JoinBarList(elements) : value;
    return changed;
}

}  // namespace

CKitrosterFactory::CKitrosterFactory() = default;
CKitrosterFactory::CKitrosterFactory(const CKitrosterFactory& other) = default;
CKitrosterFactory& CKitrosterFactory::operator=(const CKitrosterFactory& other) = default;
CKitrosterFactory::~CKitrosterFactory() = default;

CZRauto_ptr<IKitroster> CKitrosterFactory::CreateInstance() {
    return CZRauto_ptr<IKitroster>(new CKitrosterFactory());
}

void CKitrosterFactory::OnZRunknownFinalize() {}

bool CKitrosterFactory::Load() {
    _clear();
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    const CString folder = GetCatalogueFolder();
    std::vector<std::string> names;
    bool allRead = true;
    const kitroster::EnvStatus listed = env->FindFiles(folder.str(), kResourceFilePattern, &names);
    // A missing folder is an empty catalogue; a folder that cannot be listed is not.
    if (!listed.ok() && listed.error() != kitroster::kErrorPathNotFound &&
        listed.error() != kitroster::kErrorFileNotFound) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Load() cannot list %s: %s",
               folder.GetString(), listed.ToString().c_str());
        allRead = false;
    }

    std::string text;
    for (const std::string& name : names) {
        const CString path = JoinCataloguePath(folder, CString(name));
        int schema = 0;
        // Each file is read in one piece and parsed in memory, as Read would do it.
        const kitroster::EnvStatus status =
            kitroster::ReadFileWhole(env, path.str(), kMaxResourceFileBytes, &text);
        if (status.ok()) {
            CZRauto_ptr<IResourceItem> item =
                CResourceItemPersistFactory::ParseResourceText(text, &schema);
            if (item && Add(item)) {  // an item without identifier is refused there
                const CString key = Upper(item->get_ID());
                if (name != ResourceFileName(key).str() &&
                    ResourceFileName(key).CompareNoCase(name.c_str()) == 0) {
                    m_loadedFileName[key] = name;
                }
            }
        } else {
            ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Load() cannot read %s: %s",
                   path.GetString(), status.ToString().c_str());
        }
        if (schema != RES_SCHEMA) {
            ZR_LOG(s_log, ZRLOG_INFO,
                   "CKitrosterFactory::Load() schema mismatch. File schema was %d while current "
                   "RES_SCHEMA is %d",
                   schema, RES_SCHEMA);
            allRead = false;
        }
    }
    return allRead;
}

bool CKitrosterFactory::Save() {
    m_saveFailures.clear();
    m_saveFolder.Empty();
    // Every file that changes is formatted once; the same text is written and remembered.
    bool writeFailed = false;
    for (const SPendingWrite& write : _choose_writes()) {
        if (!_write_file(write))
            writeFailed = true;
    }
    // After a failed write no file is removed at all: the removed file may be the only copy
    // of a renamed resource whose new file could not be written. The deletions stay
    // pending for the next Save.
    if (writeFailed) {
        if (!m_deleted.empty()) {
            ZR_LOG(s_log, ZRLOG_FAILURE,
                   "CKitrosterFactory::Save() kept %d file deletion(s) pending after a failed "
                   "write",
                   static_cast<int>(m_deleted.size()));
        }
        return true;
    }
    _delete_files();
    return true;
}

std::vector<CKitrosterFactory::SPendingWrite> CKitrosterFactory::_choose_writes() {
    // Without files written or removed since Load, only dirty items need a look. The scan
    // runs in index order over contiguous memory; the files are then written in byte order
    // of their identifiers.
    const bool tracking = !m_removed.empty() || !m_savedText.empty();
    std::vector<const OrderEntry*> candidates;
    for (const OrderEntry& entry : m_order) {
        if (entry.item && (tracking || entry.item->IsDirty()))
            candidates.push_back(&entry);
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const OrderEntry* a, const OrderEntry* b) { return a->id < b->id; });

    std::vector<SPendingWrite> writes;
    for (const OrderEntry* entry : candidates) {
        IResourceItem* item = entry->item;
        const CString id = item->get_ID();
        // The file is named by the upper-cased identifier, as every identifier set through
        // set_ID is: Windows would match an identifier read in lower case from a file to
        // that same file, and a case-sensitive file system must not get a second copy.
        const CString key = Upper(id);
        // An item's dirty state compares it with what was loaded. Once this collection has
        // written or removed the item's file, the file's content is known here instead, and
        // an item changed back to its loaded state must still be written.
        const auto saved = m_savedText.empty() ? m_savedText.end() : m_savedText.find(key);
        const bool removed = !m_removed.empty() && m_removed.count(key) != 0;
        if (!removed && saved == m_savedText.end() && tracking && !item->IsDirty())
            continue;
        std::string text = CResourceItemPersistFactory::FormatResourceText(
            id, item->get_Type(), item->get_Name(), item->get_Conn(), item->get_Caps());
        if (!removed && saved != m_savedText.end() && text == saved->second)
            continue;
        CString path;
        if (_file_of(key, &path))
            writes.push_back({key, std::move(path), std::move(text)});
    }
    return writes;
}

bool CKitrosterFactory::_write_file(const SPendingWrite& write) {
    if (!CResourceItemPersistFactory::WriteResourceText(write.path, write.text)) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Save() failed to write %s",
               write.path.GetString());
        m_saveFailures.push_back(write.path);
        return false;
    }
    m_savedText[write.key] = write.text;
    m_removed.erase(write.key);
    return true;
}

void CKitrosterFactory::_delete_files() {
    // A deletion that fails stays pending, so the next Save tries again and the file does
    // not come back at the next Load unnoticed.
    std::vector<CString> failed;
    for (const CString& key : m_deleted) {
        CString path;
        if (!_file_of(key, &path))
            continue;
        const kitroster::EnvStatus status = GetKitrosterApp().GetEnv()->DeleteFile(path.str());
        if (status.ok() || status.error() == kitroster::kErrorFileNotFound ||
            status.error() == kitroster::kErrorPathNotFound) {
            m_savedText.erase(key);
            m_removed.insert(key);
            m_loadedFileName.erase(key);
        } else {
            ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Save() failed to delete %s: %s",
                   path.GetString(), status.ToString().c_str());
            failed.push_back(key);
            m_saveFailures.push_back(path);
        }
    }
    m_deleted = std::move(failed);
}

bool CKitrosterFactory::_file_of(const CString& key, CString* path) {
    // The one place where an identifier becomes a file path. An identifier with a
    // separator, ':' or a reserved character could name a file outside the catalogue
    // folder; such a resource is neither written nor deleted.
    if (!IsSafeResourceId(key)) {
        ZR_LOG(s_log, ZRLOG_FAILURE,
               "CKitrosterFactory::Save() skipped resource '%s': its identifier cannot be part "
               "of a file name",
               key.GetString());
        m_saveFailures.push_back(key);
        return false;
    }
    if (m_saveFolder.IsEmpty())
        m_saveFolder = GetCatalogueFolder();  // resolved once, when there is work to do
    const auto loaded = m_loadedFileName.find(key);
    *path =
        JoinCataloguePath(m_saveFolder, loaded != m_loadedFileName.end() ? CString(loaded->second)
                                                                         : ResourceFileName(key));
    return true;
}

std::vector<CString> GetSaveFailures(IKitroster* collection) {
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection);
    return factory ? factory->GetSaveFailures() : std::vector<CString>();
}

bool CKitrosterFactory::Add(CZRauto_ptr<IResourceItem> item) {
    if (!item)
        return false;
    const CString id = item->get_ID();
    if (id.IsEmpty())
        return false;
    _add(id, std::move(item));
    return true;
}

bool CKitrosterFactory::Delete(const CString& id) {
    if (id.IsEmpty())
        return false;
    _del(id);
    return true;
}

bool CKitrosterFactory::Rename(const CString& oldId, const CString& newId, bool updateReferences) {
    if (newId.IsEmpty())
        return false;
    if (oldId.CompareNoCase(newId) == 0)
        return true;
    // Save could not write the item under an unsafe name but would delete the old file;
    // braces, line feeds and surrounding blanks would not read back as the same identifier.
    CString trimmedNewId = newId;
    trimmedNewId.Trim(" \t");
    if (!IsSafeResourceId(newId) || newId.FindOneOf("{}\n") >= 0 || trimmedNewId != newId)
        return false;
    if (GetItemById(newId))
        return false;
    CZRauto_ptr<IResourceItem> item = GetItemById(oldId);
    if (!item)
        return false;

    const CString upperNewId = Upper(newId);
    Delete(oldId);
    item->set_ID(upperNewId);
    Add(item);
    return updateReferences ? _rename_conn_element(oldId, upperNewId) : true;
}

int CKitrosterFactory::Size() {
    return static_cast<int>(m_order.size());
}

CZRauto_ptr<IResourceItem> CKitrosterFactory::GetItemByIndex(int index) {
    if (index < 0 || index >= Size())
        return CZRauto_ptr<IResourceItem>();
    return m_order[static_cast<size_t>(index)].item;
}

CZRauto_ptr<IResourceItem> CKitrosterFactory::GetItemById(const CString& id) {
    if (id.IsEmpty())
        return CZRauto_ptr<IResourceItem>();
    const auto it = m_items.find(Upper(id));
    return it != m_items.end() ? it->second : CZRauto_ptr<IResourceItem>();
}

bool CKitrosterFactory::IsDirty() {
    if (!m_deleted.empty())
        return true;
    return std::any_of(m_order.begin(), m_order.end(),
                       [](const OrderEntry& entry) { return entry.item && entry.item->IsDirty(); });
}

void CKitrosterFactory::_add(const CString& id, CZRauto_ptr<IResourceItem> item) {
    CString key = Upper(id);
    auto [it, inserted] = m_items.try_emplace(key, item);
    if (inserted) {
        if (!m_deleted.empty())
            EraseFirstNoCase(m_deleted, key);
        m_order.push_back({std::move(key), std::move(item)});
        return;
    }
    // Replaced in place: same position in the index order.
    it->second = item;
    for (OrderEntry& entry : m_order) {
        if (entry.id == key) {
            entry.item = std::move(item);
            break;
        }
    }
}

void CKitrosterFactory::_del(const CString& id) {
    const CString key = Upper(id);
    const auto it = m_items.find(key);
    if (it == m_items.end())
        return;
    m_items.erase(it);
    const auto entry = std::find_if(m_order.begin(), m_order.end(), [&](const OrderEntry& e) {
        return e.id.CompareNoCase(key) == 0;
    });
    if (entry != m_order.end()) {
        m_order.erase(entry);
        m_deleted.push_back(key);
    }
}

void CKitrosterFactory::_clear() {
    m_items.clear();
    m_order.clear();
    m_deleted.clear();
    m_savedText.clear();
    m_removed.clear();
    m_loadedFileName.clear();
}

bool CKitrosterFactory::_rename_conn_element(const CString& oldId, const CString& newId) {
    CString trimmedOld = oldId;
    trimmedOld.Trim();
    if (trimmedOld.IsEmpty())
        return false;
    CString key;
    CString value;
    CString replaced;
    for (const OrderEntry& entry : m_order) {
        IResourceItem* item = entry.item;
        if (!item)
            continue;
        // Most items do not mention the old identifier at all; skip parsing them. Quotes
        // are dropped by the parser, so text holding one is always parsed.
        const CString conn = item->get_Conn();
        if (conn.Find(trimmedOld) < 0 && conn.Find('"') < 0)
            continue;
        CZRauto_ptr<IResPropertyBag> source = CResPropertyBagFactory::CreateInstance(conn);
        CZRauto_ptr<IResPropertyBag> target = CResPropertyBagFactory::CreateInstance();
        if (!source || !target)
            continue;
        bool changed = false;
        for (int i = 0; source->Get(i, key, value); ++i) {
            if (ReplaceBarElements(value, trimmedOld, newId, replaced)) {
                changed = true;
                target->Set(key, replaced);
            } else {
                target->Set(key, value);
            }
        }
        if (changed) {
            CString text;
            target->ToString(text);
            item->set_Conn(text);
        }
    }
    return true;
}

}  // namespace NResourceItem
