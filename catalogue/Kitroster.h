// The resource collection: the catalogue as a whole, an independent in-memory snapshot of
// the catalogue folder's resource files.
//
// Load reads every "_RES_*.zrr" of the catalogue folder (GetCatalogueFolder) into items
// keyed by upper-cased identifier; Add, Delete and Rename change the snapshot; Save
// writes the dirty items and removes the files of deleted identifiers. Nothing reaches
// disk except through Save. Several collections may exist at once; they share nothing but
// the files, and the last save of a file wins.
//
// Index order is the order identifiers were first added (Load: the folder enumeration
// order); Save writes in byte order of the upper-cased identifiers.
//
// Thread-safety: one thread at a time per collection.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ZRunknown.h"
#include "platform/env/Env.h"

namespace NResourceItem {

class KITROSTER_API IKitroster {
  public:
    // Replaces the content with the catalogue folder's files. False if any file had a
    // schema other than RES_SCHEMA or could not be read (the rest still loads); true for
    // an empty or missing folder.
    virtual bool Load() = 0;
    // Writes every dirty item to "_RES_<upper-cased identifier>.zrr" and removes the files
    // of deleted identifiers. An item whose file this collection wrote or removed since
    // Load is written when it differs from what is in that file now (so an item changed
    // back to its loaded state is saved too, and an unchanged one is not written twice).
    // Failures are logged (0x08, "KITROSTER"): a failed write or deletion is tried again
    // by the next Save. The result is always true. Items whose identifier cannot safely be
    // a file name are skipped and logged. The catalogue folder is never made here: when it
    // does not exist, nothing is written and the folder is reported as the failure.
    virtual bool Save() = 0;
    // False for an empty handle or an empty identifier. A present identifier is replaced
    // in place.
    virtual bool Add(CZRauto_ptr<IResourceItem> item) = 0;
    // False for an empty identifier; true otherwise, present or not.
    virtual bool Delete(const CString& id) = 0;
    // Renames `oldId` to `newId` (upper-cased); the item moves to the last index and is
    // dirty. With `updateReferences`, '|'-separated elements equal to `oldId` in other
    // items' connectivity values are rewritten. False if `newId` is empty or not a safe
    // identifier, `newId` exists, or `oldId` does not; true with no change when both are
    // equal ignoring case.
    virtual bool Rename(const CString& oldId, const CString& newId, bool updateReferences) = 0;
    virtual int Size() = 0;
    // Empty handle when out of range.
    virtual CZRauto_ptr<IResourceItem> GetItemByIndex(int index) = 0;
    // Case ignored; empty handle when absent.
    virtual CZRauto_ptr<IResourceItem> GetItemById(const CString& id) = 0;
    // True if an identifier was deleted since Load or any item is dirty.
    virtual bool IsDirty() = 0;

  protected:
    ~IKitroster() = default;
};

class KITROSTER_API CKitrosterFactory : public CZRunknown, public IKitroster {
  public:
    static CZRauto_ptr<IKitroster> CreateInstance();

    CKitrosterFactory(const CKitrosterFactory& other);
    CKitrosterFactory& operator=(const CKitrosterFactory& other);
    ~CKitrosterFactory() override;

    bool Load() override;
    bool Save() override;
    bool Add(CZRauto_ptr<IResourceItem> item) override;
    bool Delete(const CString& id) override;
    bool Rename(const CString& oldId, const CString& newId, bool updateReferences) override;
    int Size() override;
    CZRauto_ptr<IResourceItem> GetItemByIndex(int index) override;
    CZRauto_ptr<IResourceItem> GetItemById(const CString& id) override;
    bool IsDirty() override;

    // The files (or, for identifiers that cannot be file names, the identifiers) the last
    // Save could not write or remove, in the order it met them. Save itself always reports
    // true; this is empty after a Save that did everything.
    const std::vector<CString>& GetSaveFailures() const { return m_saveFailures; }
    // Save, except that it writes all or nothing: every file it must write or remove is
    // checked first, and when a write still fails, the files already written are put back
    // as they were and nothing is removed. The tool's rename uses it, so that references
    // are never rewritten to an identifier whose file could not be written.
    bool SaveAllOrNothing();
    // The files Load could not make a resource of (unreadable, another schema, no
    // identifier), as listed. Save never writes or removes them.
    const std::vector<CString>& GetSkippedFiles() const { return m_skipped; }
    // Why each of GetSkippedFiles was skipped, in the same order ("schema 999 instead of
    // 1000", "no resource identifier in it", the read failure).
    const std::vector<CString>& GetSkipReasons() const { return m_skipReasons; }
    // The files Load read resource `id` from (case ignored), as listed; empty for a
    // resource without a file yet.
    std::vector<CString> GetFilesOf(const CString& id) const;
    // The file a new resource `id` would be stored in, when that file holds another
    // resource or is a skipped file: its name, and in `*holder` the identifier it holds
    // (empty for a skipped file). Empty when the name is free.
    CString GetFileTakenFrom(const CString& id, CString* holder) const;

  protected:
    void OnZRunknownFinalize() override;
    void _add(const CString& id, CZRauto_ptr<IResourceItem> item);
    void _del(const CString& id);
    void _clear();
    bool _rename_conn_element(const CString& oldId, const CString& newId);

  private:
    // One resource file Save writes: its identifier key, its path and upper-cased name,
    // and the formatted text.
    struct SPendingWrite {
        CString key;
        CString fileKey;
        CString path;
        std::string text;
        bool newFile = false;
    };
    // What this collection knows of one file of the catalogue folder, by upper-cased file
    // name (a Windows peer sees names that differ only in case as one file).
    struct SFileState {
        std::string name;           // as listed or as written
        CString owner;              // upper-cased identifier it holds; empty when skipped
        bool skipped = false;       // Load could not make a resource of it
        bool present = true;        // false once this collection removed it
        kitroster::FileInfo stamp;  // as Load read it or this collection last wrote it
    };

    CKitrosterFactory();
    bool _save(bool allOrNothing);
    // What Save must write: every item whose file differs from it, formatted once, new
    // files first so that references never name a resource before its file exists.
    std::vector<SPendingWrite> _choose_writes();
    // The files of `key`. For a resource without a file yet, the file named after it;
    // false, with the failure recorded, when that name cannot be used.
    bool _files_of(const CString& key, bool forDelete, std::vector<CString>* fileKeys);
    // Whether the file is as this collection last saw it (present or absent, same stamp);
    // records the failure when it is not.
    bool _unchanged_on_disk(const CString& fileKey, const CString& path);
    // Writes one file; on success remembers its text and stamp, else records the failure.
    bool _write_file(const SPendingWrite& write);
    // Removes the files of deleted resources; failed deletions stay pending.
    void _delete_files();
    CString _path_of(const CString& fileKey) const;
    void _fail(const CString& what, const char* why);

    std::map<CString, CZRauto_ptr<IResourceItem>> m_items;  // upper-cased identifier -> item
    // Upper-cased identifiers in first-added order, each with its item, so that index access
    // and scans of every item run over contiguous memory.
    struct OrderEntry {
        CString id;
        CZRauto_ptr<IResourceItem> item;
    };
    std::vector<OrderEntry> m_order;
    std::vector<CString> m_deleted;  // identifiers whose files Save removes
    // What Save knows of the files since the last Load, by upper-cased identifier: the text
    // it wrote, and the resources whose files it removed.
    std::map<CString, std::string> m_savedText;
    std::set<CString> m_removed;
    std::map<CString, SFileState> m_files;              // by upper-cased file name
    std::map<CString, std::vector<CString>> m_filesOf;  // identifier -> its files' keys
    std::vector<CString> m_skipped;
    std::vector<CString> m_skipReasons;  // parallel to m_skipped
    std::vector<CString> m_saveFailures;
    CString m_folder;  // the catalogue folder of the last Load or Save
};

// What `collection` (a collection of this library) could not write or remove in its last
// Save; empty for other implementations of IKitroster.
KITROSTER_API std::vector<CString> GetSaveFailures(IKitroster* collection);
// The files the last Load of `collection` skipped; empty for other implementations.
KITROSTER_API std::vector<CString> GetSkippedFiles(IKitroster* collection);
// One file the last Load skipped, with the reason.
struct KITROSTER_API SSkippedFile {
    CString name;
    CString reason;
};
// The skipped files of `collection` with their reasons; empty for other implementations.
KITROSTER_API std::vector<SSkippedFile> GetSkippedFilesWithReasons(IKitroster* collection);
// CKitrosterFactory::GetFilesOf for a collection of this library; empty otherwise.
KITROSTER_API std::vector<CString> GetFilesOf(IKitroster* collection, const CString& id);
// CKitrosterFactory::GetFileTakenFrom for a collection of this library; empty otherwise.
KITROSTER_API CString GetFileTakenFrom(IKitroster* collection, const CString& id, CString* holder);
// CKitrosterFactory::SaveAllOrNothing for a collection of this library; Save otherwise.
KITROSTER_API bool SaveAllOrNothing(IKitroster* collection);

}  // namespace NResourceItem
