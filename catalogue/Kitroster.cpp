#include "catalogue/Kitroster.h"

#include <algorithm>
#include <string>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFileIO.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
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

// `value` with every '|'-separated element equal to `oldId` replaced by `newId`; empty
// elements are kept, so the separators stay where they were.
bool ReplaceBarElements(const CString& value, const CString& oldId, const CString& newId,
                        CString& result) {
    bool changed = false;
    result.Empty();
    const std::string& text = value.str();
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find('|', start);
        const std::string element =
            text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (element == oldId.str()) {
            result += newId;
            changed = true;
        } else {
            result += CString(element);
        }
        if (bar == std::string::npos)
            break;
        result += '|';
        start = bar + 1;
    }
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
        const kitroster::EnvStatus status = ReadWholeFile(env, path.str(), &text);
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
    CZRauto_ptr<IResourceItemPersist> persist;
    CString folder;
    bool resolved = false;
    // The folder is resolved once, and only when there is something to do.
    auto catalogueFolder = [&]() -> const CString& {
        if (!resolved) {
            folder = GetCatalogueFolder();
            persist = CResourceItemPersistFactory::CreateInstance();
            resolved = true;
        }
        return folder;
    };

    // Without files written or removed since Load, only dirty items need a look. The scan
    // runs in index order over contiguous memory; the candidates are then written in byte
    // order of their identifiers.
    const bool tracking = !m_removed.empty() || !m_savedText.empty();
    std::vector<const OrderEntry*> candidates;
    for (const OrderEntry& entry : m_order) {
        if (entry.item && (tracking || entry.item->IsDirty()))
            candidates.push_back(&entry);
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const OrderEntry* a, const OrderEntry* b) { return a->id < b->id; });

    m_saveFailures = 0;
    bool writeFailed = false;
    // The file of `key` in the catalogue folder, as loaded or as named for new resources.
    auto filePath = [&](const CString& key) {
        const auto loaded = m_loadedFileName.find(key);
        return JoinCataloguePath(catalogueFolder(), loaded != m_loadedFileName.end()
                                                        ? CString(loaded->second)
                                                        : ResourceFileName(key));
    };
    for (const OrderEntry* entry : candidates) {
        IResourceItem* item = entry->item;
        const CString id = item->get_ID();
        // The file is named by the upper-cased identifier, as every identifier set through
        // set_ID is: Windows would match an identifier read in lower case from a file to
        // that same file, and a case-sensitive file system must not get a second copy.
        const CString fileKey = Upper(id);
        // An item's dirty state compares it with what was loaded. Once this collection has
        // written or removed the item's file, the file's content is known here instead, and
        // an item changed back to its loaded state must still be written.
        std::string text;
        bool write;
        const auto saved = m_savedText.empty() ? m_savedText.end() : m_savedText.find(fileKey);
        if (!m_removed.empty() && m_removed.count(fileKey) != 0) {
            write = true;
        } else if (saved != m_savedText.end()) {
            text = CResourceItemPersistFactory::FormatResourceText(
                id, item->get_Type(), item->get_Name(), item->get_Conn(), item->get_Caps());
            write = text != saved->second;
        } else {
            write = !tracking || item->IsDirty();
        }
        if (!write)
            continue;
        if (!IsSafeResourceId(id)) {
            ZR_LOG(s_log, ZRLOG_FAILURE,
                   "CKitrosterFactory::Save() skipped resource '%s': its identifier cannot be "
                   "part of a file name",
                   id.GetString());
            ++m_saveFailures;
            continue;
        }
        const CString path = filePath(fileKey);
        if (!persist || !persist->Write(path, entry->item)) {
            ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Save() failed to write %s",
                   path.GetString());
            ++m_saveFailures;
            writeFailed = true;
            continue;
        }
        if (text.empty()) {
            text = CResourceItemPersistFactory::FormatResourceText(
                id, item->get_Type(), item->get_Name(), item->get_Conn(), item->get_Caps());
        }
        m_savedText[fileKey] = std::move(text);
        m_removed.erase(fileKey);
    }

    // A deletion that fails stays pending, so the next Save tries again and the file does
    // not come back at the next Load unnoticed. After a failed write no file is removed at
    // all: the removed file may be the only copy of a renamed resource whose new file could
    // not be written.
    if (writeFailed) {
        if (!m_deleted.empty()) {
            ZR_LOG(s_log, ZRLOG_FAILURE,
                   "CKitrosterFactory::Save() kept %d file deletion(s) pending after a failed "
                   "write",
                   static_cast<int>(m_deleted.size()));
        }
        return true;
    }
    std::vector<CString> failed;
    while (!m_deleted.empty()) {
        const CString id = m_deleted.front();
        m_deleted.erase(m_deleted.begin());
        if (!IsSafeResourceId(id)) {
            ZR_LOG(s_log, ZRLOG_FAILURE,
                   "CKitrosterFactory::Save() did not delete the file of '%s': its identifier "
                   "cannot be part of a file name",
                   id.GetString());
            ++m_saveFailures;
            continue;
        }
        const CString path = filePath(id);
        const kitroster::EnvStatus status = GetKitrosterApp().GetEnv()->DeleteFile(path.str());
        if (status.ok() || status.error() == kitroster::kErrorFileNotFound ||
            status.error() == kitroster::kErrorPathNotFound) {
            m_savedText.erase(id);
            m_removed.insert(id);
            m_loadedFileName.erase(id);
        } else {
            ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Save() failed to delete %s: %s",
                   path.GetString(), status.ToString().c_str());
            failed.push_back(id);
            ++m_saveFailures;
        }
    }
    m_deleted = std::move(failed);
    return true;
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
