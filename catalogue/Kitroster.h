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
    // a file name are skipped and logged.
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

  protected:
    void OnZRunknownFinalize() override;
    void _add(const CString& id, CZRauto_ptr<IResourceItem> item);
    void _del(const CString& id);
    void _clear();
    bool _rename_conn_element(const CString& oldId, const CString& newId);

  private:
    // One resource file Save writes: its identifier key, path and the formatted text.
    struct SPendingWrite {
        CString key;
        CString path;
        std::string text;
    };

    CKitrosterFactory();
    // What Save must write: every item whose file differs from it, formatted once.
    std::vector<SPendingWrite> _choose_writes();
    // Writes one file; on success remembers its text, else records the failure.
    bool _write_file(const SPendingWrite& write);
    // Removes the files of deleted resources; failed deletions stay pending.
    void _delete_files();
    // The file of `key` in the catalogue folder, as loaded or as named for new resources.
    // False, with the failure logged and recorded, for an identifier that cannot be part of
    // a file name.
    bool _file_of(const CString& key, CString* path);

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
    // it wrote, and the files it removed.
    std::map<CString, std::string> m_savedText;
    std::set<CString> m_removed;
    // The file name each identifier was loaded from, where it differs from
    // ResourceFileName(identifier) in case only: Save keeps writing and removing that file
    // instead of creating a second one beside it on a case-sensitive file system.
    std::map<CString, std::string> m_loadedFileName;
    std::vector<CString> m_saveFailures;
    CString m_saveFolder;  // the catalogue folder of the Save in progress
};

// What `collection` (a collection of this library) could not write or remove in its last
// Save; empty for other implementations of IKitroster.
KITROSTER_API std::vector<CString> GetSaveFailures(IKitroster* collection);

}  // namespace NResourceItem
