// Resource file reader/writer: converts between one resource file and one item.
//
// File format (one file per resource, "_RES_<ID>.zrr" in the catalogue folder): six lines
// ended by CR LF, "<SCMA> {1000}" then "<ID> {..}", "<TYPE> {..}", "<NAME> {..}",
// "<CONN> {..}", "<CAPS> {..}". Reading accepts LF or CR LF, any line order, indentation
// and extra lines; the first line that holds "<KEY>" gives that key's value. A file whose
// schema is not 1000 (RES_SCHEMA) is not accepted.
//
// Writing replaces the file atomically: the text goes to a sibling temporary file whose
// name cannot match "_RES_*.zrr", which is synced, renamed over the target, and the folder
// is synced. On any failure the temporary file is removed and an existing target is left
// as it was. An item whose identifier cannot safely be a file name (IsSafeResourceId) is
// never written.
//
// Every file operation goes through the application's Env.
//
// Thread-safety: the object has no state; separate calls may run on separate threads as
// long as they write different files.
#pragma once

#include <string_view>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ZRunknown.h"

class CKeyTree;

namespace NResourceItem {

// The schema number written to and required in every resource file.
inline constexpr int RES_SCHEMA = 1000;

class KITROSTER_API IResourceItemPersist {
  public:
    // Writes `item` to the file `path`. False for an empty handle, an unsafe identifier or
    // a failed write (the old file then stays intact).
    virtual bool Write(const char* path, CZRauto_ptr<IResourceItem> item) = 0;
    // Reads the file `path` into a new, clean item. An empty handle when the schema is not
    // RES_SCHEMA; `*schema` (may be null) receives the file's schema. A file that cannot
    // be read gives an item with empty fields and leaves `*schema` untouched.
    virtual CZRauto_ptr<IResourceItem> Read(const char* path, int* schema) = 0;

  protected:
    ~IResourceItemPersist() = default;
};

class KITROSTER_API CResourceItemPersistFactory : public CZRunknown, public IResourceItemPersist {
  public:
    static CZRauto_ptr<IResourceItemPersist> CreateInstance();

    CResourceItemPersistFactory(const CResourceItemPersistFactory& other);
    CResourceItemPersistFactory& operator=(const CResourceItemPersistFactory& other);
    ~CResourceItemPersistFactory() override;

    bool Write(const char* path, CZRauto_ptr<IResourceItem> item) override;
    CZRauto_ptr<IResourceItem> Read(const char* path, int* schema) override;

    // The text Write puts in a file for these field values (CR LF line ends).
    static std::string FormatResourceText(const CString& id, const CString& type,
                                          const CString& name, const CString& conn,
                                          const CString& caps);
    // Parses resource file text straight into a new item, as Read does for a file.
    // An empty handle when the schema is not RES_SCHEMA; `*schema` (may be null)
    // receives the schema found (0 without a "SCMA" line).
    static CZRauto_ptr<IResourceItem> ParseResourceText(std::string_view text, int* schema);
    // Puts already formatted resource text in the file `path`: creates the folder when
    // missing, then replaces the file atomically. False, with the failure logged, when the
    // new file is not in place and durable (the old file then stays intact). Write and the
    // collection's Save both end here, so every resource file is written one way.
    static bool WriteResourceText(const CString& path, const std::string& text);

  protected:
    void OnZRunknownFinalize() override;
    // Writes the five keys of `tree` to `path` (atomic replacement); true when the new
    // file is in place and durable.
    virtual bool _write(const char* path, CKeyTree* tree);
    // A new tree with the keys found in the file `path`, or null for a schema other than
    // RES_SCHEMA.
    virtual CKeyTree* _read(const char* path, int* schema);
    // If "<key>" occurs in `line`, `value` becomes the text after its first occurrence
    // without leading tabs, blanks and '{' and trailing tabs, blanks and '}'; true then.
    // Otherwise false and `value` is unchanged.
    virtual bool _get_value(const char* line, const char* key, CString& value);

  private:
    CResourceItemPersistFactory();
};

}  // namespace NResourceItem
