#include "catalogue/Kitroster.h"

#include <algorithm>
#include <optional>
#include <string>

#include "catalogue/BarList.h"
#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFolder.h"
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

// The name part of a path (after the last '\\' or '/').
std::string FileNameOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// Replaces one file of the catalogue folder. Unlike an item's own Write, the folder is
// never made here: one that vanished since Load stays gone rather than coming back with
// only the files this Save writes.
bool WriteCatalogueFile(const CString& path, const std::string& text) {
    const kitroster::EnvStatus status =
        kitroster::WriteFileAtomically(GetKitrosterApp().GetEnv(), path.str(), text);
    if (!status.ok()) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Save() cannot write %s: %s",
               path.GetString(), status.ToString().c_str());
        return false;
    }
    return true;
}

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
    // A settings root that cannot be used (a registry value cut short) would make the
    // folder a relative or a sibling one: nothing is read from or written to it.
    if (CString problem; !CheckSettingsRoot(&problem)) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Load() %s", problem.GetString());
        return false;
    }
    m_folder = GetCatalogueFolder();
    std::vector<std::string> names;
    bool allRead = true;
    const kitroster::EnvStatus listed =
        env->FindFiles(m_folder.str(), kResourceFilePattern, &names);
    // A missing folder is an empty catalogue; a folder that cannot be listed is not.
    if (!listed.ok() && listed.error() != kitroster::kErrorPathNotFound &&
        listed.error() != kitroster::kErrorFileNotFound) {
        ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Load() cannot list %s: %s",
               m_folder.GetString(), listed.ToString().c_str());
        allRead = false;
    }

    std::string text;
    for (const std::string& name : names) {
        // Joined to the folder, such a name would reach another file (another site's,
        // with enough "..\"): it is reported and nothing is ever done with it.
        if (!IsUsableListedName(name)) {
            ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Load() skipped '%s' in %s: %s",
                   name.c_str(), m_folder.GetString(), kUnusableListedNameReason);
            m_skipped.push_back(CString(name));
            m_skipReasons.push_back(kUnusableListedNameReason);
            allRead = false;
            continue;
        }
        const CString path = JoinCataloguePath(m_folder, CString(name));
        SFileState file;
        file.name = name;
        // Each file is read in one piece and parsed in memory, as Read would do it.
        const kitroster::EnvStatus status =
            kitroster::ReadFileWhole(env, path.str(), kMaxResourceFileBytes, &text, &file.stamp);
        CString skipped;  // why the file does not become a resource
        CZRauto_ptr<IResourceItem> item;
        int schema = 0;  // an unreadable file counts as schema 0
        if (!status.ok())
            skipped = status.ToString();
        else
            item = CResourceItemPersistFactory::ParseResourceText(text, &schema);
        {
            if (schema != RES_SCHEMA) {
                ZR_LOG(s_log, ZRLOG_INFO,
                       "CKitrosterFactory::Load() schema mismatch. File schema was %d while "
                       "current RES_SCHEMA is %d",
                       schema, RES_SCHEMA);
                if (skipped.IsEmpty())
                    skipped.Format("schema %d instead of %d", schema, RES_SCHEMA);
            } else if (!item || item->get_ID().IsEmpty()) {
                skipped = "no resource identifier in it";
            }
        }
        // A file that does not become a resource is remembered, so that Save never
        // replaces or removes what this collection could not read.
        if (!skipped.IsEmpty()) {
            ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Load() skipped %s: %s",
                   path.GetString(), skipped.GetString());
            file.skipped = true;
            m_skipped.push_back(CString(name));
            m_skipReasons.push_back(skipped);
            allRead = false;
        } else {
            Add(item);
            file.owner = Upper(item->get_ID());
            m_filesOf[file.owner].push_back(Upper(CString(name)));
        }
        m_files[Upper(CString(name))] = std::move(file);
    }
    return allRead;
}

bool CKitrosterFactory::Save() {
    return _save(/*allOrNothing=*/false);
}

bool CKitrosterFactory::SaveAllOrNothing() {
    return _save(/*allOrNothing=*/true);
}

bool CKitrosterFactory::_save(bool allOrNothing) {
    m_saveFailures.clear();
    if (CString problem; !CheckSettingsRoot(&problem)) {
        _fail("the settings root", problem.GetString());
        return true;
    }
    if (m_folder.IsEmpty())
        m_folder = GetCatalogueFolder();
    // Every file that changes is formatted once; the same text is written and remembered.
    const std::vector<SPendingWrite> writes = _choose_writes();
    // The catalogue folder is made when the site is set up (the tool's add does it under
    // an existing settings root); a Save into a folder that is gone changes nothing.
    if ((!writes.empty() || !m_deleted.empty()) && !CatalogueFolderExists(m_folder)) {
        _fail(m_folder, "does not exist; nothing was saved");
        return true;
    }
    // A resource refused a file (a file it may not take, an identifier that cannot be a
    // file name) counts as a failed write: its old file must not be removed either.
    bool writeFailed = !m_saveFailures.empty();
    if (writeFailed && allOrNothing)
        return true;
    if (allOrNothing) {
        // Everything is checked before anything is written.
        for (const SPendingWrite& write : writes) {
            if (!_unchanged_on_disk(write.fileKey, write.path))
                continue;
            if (!write.newFile && !GetKitrosterApp()
                                       .GetEnv()
                                       ->Access(write.path.str(), kitroster::kAccessCanWrite)
                                       .ok())
                _fail(write.path, "cannot be replaced");
        }
        for (const CString& key : m_deleted) {
            std::vector<CString> fileKeys;
            if (!_files_of(key, /*forDelete=*/true, &fileKeys))
                continue;
            for (const CString& fileKey : fileKeys) {
                const CString path = _path_of(fileKey);
                if (_unchanged_on_disk(fileKey, path) &&
                    !GetKitrosterApp()
                         .GetEnv()
                         ->Access(path.str(), kitroster::kAccessCanWrite)
                         .ok())
                    _fail(path, "cannot be removed");
            }
        }
        if (!m_saveFailures.empty())
            return true;
    }

    // What the files held before this Save, and what this collection knew of them, to put
    // back when an all-or-nothing Save fails halfway. Only the entries a write touches are
    // kept: copying the whole bookkeeping of a large catalogue would cost more than the
    // write itself.
    struct SUndo {
        CString path;
        bool existed = false;
        std::string text;
        CString key;
        CString fileKey;
        std::optional<std::string> savedText;
        bool removed = false;
        std::optional<SFileState> file;
        std::optional<std::vector<CString>> filesOf;
    };
    std::vector<SUndo> undo;
    for (const SPendingWrite& write : writes) {
        if (allOrNothing) {
            SUndo before;
            before.path = write.path;
            before.existed = !write.newFile;
            before.key = write.key;
            before.fileKey = write.fileKey;
            if (const auto it = m_savedText.find(write.key); it != m_savedText.end())
                before.savedText = it->second;
            before.removed = m_removed.count(write.key) != 0;
            if (const auto it = m_files.find(write.fileKey); it != m_files.end())
                before.file = it->second;
            if (const auto it = m_filesOf.find(write.key); it != m_filesOf.end())
                before.filesOf = it->second;
            if (before.existed &&
                !kitroster::ReadFileWhole(GetKitrosterApp().GetEnv(), write.path.str(),
                                          kMaxResourceFileBytes, &before.text)
                     .ok()) {
                _fail(write.path, "cannot be read to keep a copy");
                writeFailed = true;
                break;
            }
            if (!_write_file(write)) {
                writeFailed = true;
                break;
            }
            undo.push_back(std::move(before));
        } else if (!_write_file(write)) {
            writeFailed = true;
        }
    }
    if (writeFailed && allOrNothing) {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
            const bool restored =
                it->existed ? WriteCatalogueFile(it->path, it->text)
                            : GetKitrosterApp().GetEnv()->DeleteFile(it->path.str()).ok() ||
                                  !GetKitrosterApp().GetEnv()->FileExists(it->path.str());
            if (!restored)
                _fail(it->path, "could not be put back as it was");
            // Newest first, so that a key written through several files ends as it was
            // before the first of them.
            if (it->savedText)
                m_savedText[it->key] = *it->savedText;
            else
                m_savedText.erase(it->key);
            if (it->removed)
                m_removed.insert(it->key);
            else
                m_removed.erase(it->key);
            if (it->file)
                m_files[it->fileKey] = *it->file;
            else
                m_files.erase(it->fileKey);
            if (it->filesOf)
                m_filesOf[it->key] = *it->filesOf;
            else
                m_filesOf.erase(it->key);
        }
        // The files put back are this collection's own again.
        for (const SUndo& put : undo) {
            if (!put.existed)
                continue;
            kitroster::FileInfo info;
            const CString fileKey = Upper(CString(FileNameOf(put.path.str())));
            if (GetKitrosterApp().GetEnv()->GetFileInfo(put.path.str(), &info).ok() &&
                m_files.count(fileKey) != 0)
                m_files[fileKey].stamp = info;
        }
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
    // of their identifiers, new files first.
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
        // Every file that carries the identifier gets the change, so that the next Load
        // reads it whichever of them it keeps.
        std::vector<CString> fileKeys;
        if (!_files_of(key, /*forDelete=*/false, &fileKeys))
            continue;
        for (const CString& fileKey : fileKeys) {
            const auto known = m_files.find(fileKey);
            const bool newFile = known == m_files.end() || !known->second.present;
            writes.push_back({key, fileKey, _path_of(fileKey), text, newFile});
        }
    }
    std::stable_partition(writes.begin(), writes.end(),
                          [](const SPendingWrite& write) { return write.newFile; });
    return writes;
}

bool CKitrosterFactory::_files_of(const CString& key, bool forDelete,
                                  std::vector<CString>* fileKeys) {
    fileKeys->clear();
    if (const auto own = m_filesOf.find(key); own != m_filesOf.end() && !own->second.empty()) {
        *fileKeys = own->second;
        return true;
    }
    if (forDelete)
        return true;  // the resource never had a file
    // The one place where an identifier becomes a file name. An identifier with a
    // separator, ':' or a reserved character could name a file outside the catalogue
    // folder; such a resource is not written.
    if (!IsSafeResourceId(key)) {
        ZR_LOG(s_log, ZRLOG_FAILURE,
               "CKitrosterFactory::Save() skipped resource '%s': its identifier cannot be part "
               "of a file name",
               key.GetString());
        m_saveFailures.push_back(key);
        return false;
    }
    // The file is named by the upper-cased identifier, as every identifier set through
    // set_ID is: Windows would match an identifier read in lower case from a file to that
    // same file, and a case-sensitive file system must not get a second copy.
    const CString fileKey = Upper(ResourceFileName(key));
    const auto file = m_files.find(fileKey);
    if (file != m_files.end() && file->second.present && file->second.owner != key) {
        const CString path = _path_of(fileKey);
        CString why;
        if (file->second.skipped)
            why.Format("holds a file that could not be read, not %s", key.GetString());
        else
            why.Format("holds %s, not %s", file->second.owner.GetString(), key.GetString());
        _fail(path, why.GetString());
        return false;
    }
    fileKeys->push_back(fileKey);
    if (file == m_files.end())
        m_files[fileKey] = SFileState{ResourceFileName(key).str(), key, false, false, {}};
    return true;
}

CString CKitrosterFactory::_path_of(const CString& fileKey) const {
    const auto file = m_files.find(fileKey);
    return JoinCataloguePath(m_folder,
                             file != m_files.end() ? CString(file->second.name) : fileKey);
}

void CKitrosterFactory::_fail(const CString& what, const char* why) {
    ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Save() %s %s", what.GetString(), why);
    m_saveFailures.push_back(what);
}

bool CKitrosterFactory::_unchanged_on_disk(const CString& fileKey, const CString& path) {
    const auto known = m_files.find(fileKey);
    const bool expected = known != m_files.end() && known->second.present;
    kitroster::FileInfo now;
    const bool exists = GetKitrosterApp().GetEnv()->GetFileInfo(path.str(), &now).ok();
    if (exists == expected && (!exists || (now.size == known->second.stamp.size &&
                                           now.lastWriteTime == known->second.stamp.lastWriteTime &&
                                           now.fileId == known->second.stamp.fileId)))
        return true;
    // Another process saved, created or removed the file since this collection read it:
    // replacing it would silently undo that change.
    _fail(path, "changed on disk since it was read; reload before saving it");
    return false;
}

bool CKitrosterFactory::_write_file(const SPendingWrite& write) {
    const auto known = m_files.find(write.fileKey);
    if (known != m_files.end() && known->second.skipped) {
        _fail(write.path, "could not be read and is left as it is");
        return false;
    }
    if (!_unchanged_on_disk(write.fileKey, write.path))
        return false;
    if (!WriteCatalogueFile(write.path, write.text)) {
        _fail(write.path, "could not be written");
        return false;
    }
    SFileState& file = m_files[write.fileKey];
    file.name = FileNameOf(write.path.str());
    file.owner = write.key;
    file.present = true;
    GetKitrosterApp().GetEnv()->GetFileInfo(write.path.str(), &file.stamp);
    std::vector<CString>& own = m_filesOf[write.key];
    if (std::find(own.begin(), own.end(), write.fileKey) == own.end())
        own.push_back(write.fileKey);
    m_savedText[write.key] = write.text;
    m_removed.erase(write.key);
    return true;
}

void CKitrosterFactory::_delete_files() {
    // A deletion that fails stays pending, so the next Save tries again and the file does
    // not come back at the next Load unnoticed. Every file that carries the identifier is
    // removed, so that no copy brings the resource back.
    std::vector<CString> failed;
    for (const CString& key : m_deleted) {
        std::vector<CString> fileKeys;
        _files_of(key, /*forDelete=*/true, &fileKeys);
        bool allRemoved = true;
        for (const CString& fileKey : fileKeys) {
            const CString path = _path_of(fileKey);
            if (!_unchanged_on_disk(fileKey, path)) {
                allRemoved = false;
                continue;
            }
            const kitroster::EnvStatus status = GetKitrosterApp().GetEnv()->DeleteFile(path.str());
            if (status.ok() || status.error() == kitroster::kErrorFileNotFound ||
                status.error() == kitroster::kErrorPathNotFound) {
                m_files[fileKey].present = false;
                std::vector<CString>& own = m_filesOf[key];
                own.erase(std::remove(own.begin(), own.end(), fileKey), own.end());
            } else {
                ZR_LOG(s_log, ZRLOG_FAILURE, "CKitrosterFactory::Save() failed to delete %s: %s",
                       path.GetString(), status.ToString().c_str());
                m_saveFailures.push_back(path);
                allRemoved = false;
            }
        }
        if (allRemoved) {
            m_savedText.erase(key);
            m_removed.insert(key);
        } else {
            failed.push_back(key);
        }
    }
    m_deleted = std::move(failed);
}

CString CKitrosterFactory::GetFileTakenFrom(const CString& id, CString* holder) const {
    const CString key = Upper(id);
    if (const auto own = m_filesOf.find(key); own != m_filesOf.end() && !own->second.empty())
        return CString();
    const auto file = m_files.find(Upper(ResourceFileName(key)));
    if (file == m_files.end() || !file->second.present || file->second.owner == key)
        return CString();
    *holder = file->second.owner;
    return CString(file->second.name);
}

std::vector<CString> GetSaveFailures(IKitroster* collection) {
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection);
    return factory ? factory->GetSaveFailures() : std::vector<CString>();
}

CString GetFileTakenFrom(IKitroster* collection, const CString& id, CString* holder) {
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection);
    return factory ? factory->GetFileTakenFrom(id, holder) : CString();
}

bool SaveAllOrNothing(IKitroster* collection) {
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection);
    return factory ? factory->SaveAllOrNothing() : collection->Save();
}

std::vector<CString> GetSkippedFiles(IKitroster* collection) {
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection);
    return factory ? factory->GetSkippedFiles() : std::vector<CString>();
}

std::vector<SSkippedFile> GetSkippedFilesWithReasons(IKitroster* collection) {
    std::vector<SSkippedFile> files;
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection);
    if (!factory)
        return files;
    const std::vector<CString>& names = factory->GetSkippedFiles();
    const std::vector<CString>& reasons = factory->GetSkipReasons();
    for (size_t i = 0; i < names.size(); ++i)
        files.push_back({names[i], i < reasons.size() ? reasons[i] : CString()});
    return files;
}

std::vector<CString> CKitrosterFactory::GetFilesOf(const CString& id) const {
    std::vector<CString> names;
    const auto own = m_filesOf.find(Upper(id));
    if (own == m_filesOf.end())
        return names;
    for (const CString& fileKey : own->second) {
        const auto file = m_files.find(fileKey);
        if (file != m_files.end() && file->second.present)
            names.push_back(CString(file->second.name));
    }
    return names;
}

std::vector<CString> GetFilesOf(IKitroster* collection, const CString& id) {
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection);
    return factory ? factory->GetFilesOf(id) : std::vector<CString>();
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
    m_files.clear();
    m_filesOf.clear();
    m_skipped.clear();
    m_skipReasons.clear();
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
