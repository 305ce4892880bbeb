// Resource item: one entry of the catalogue, five text fields with dirty tracking and a
// conversion to and from the key tree that carries them to the resource file code.
//
// An item is clean after creation and after FromKeyTree; it is dirty while any of its five
// fields differs (case-sensitively) from the baseline recorded when it was last filled
// from a key tree. Nothing resets the baseline after a save.
//
// Thread-safety: an item is used by one thread at a time (its count is atomic).
#pragma once

#include <cstdint>
#include <stdexcept>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ZRunknown.h"

class CKeyTree;

namespace NResourceItem {

// Raised by makeUniqueID when the platform cannot create a GUID; carries the platform's
// result code.
class KITROSTER_API CResultCodeException : public std::runtime_error {
  public:
    CResultCodeException(uint32_t code, const std::string& what)
        : std::runtime_error(what), m_code(code) {}
    ~CResultCodeException() override;
    uint32_t GetResultCode() const { return m_code; }

  private:
    uint32_t m_code;
};

class KITROSTER_API IResourceItem {
  public:
    virtual CString get_ID() = 0;
    virtual CString get_Type() = 0;
    virtual CString get_Name() = 0;
    virtual CString get_Conn() = 0;
    virtual CString get_Caps() = 0;
    // Stores the identifier upper-cased (Windows-1252); any text is accepted.
    virtual void set_ID(const CString& id) = 0;
    // The other setters store the value exactly as given.
    virtual void set_Type(const CString& type) = 0;
    virtual void set_Name(const CString& name) = 0;
    virtual void set_Conn(const CString& conn) = 0;
    virtual void set_Caps(const CString& caps) = 0;
    // A new tree with the keys "ID", "TYPE", "NAME", "CONN", "CAPS" holding the current
    // fields. The caller owns (deletes) it.
    virtual CKeyTree* AsKeyTree() = 0;
    virtual bool IsDirty() = 0;

  protected:
    ~IResourceItem() = default;
};

class KITROSTER_API CResourceItemFactory : public CZRunknown, public IResourceItem {
  public:
    // A new item with all fields empty; clean.
    static CZRauto_ptr<IResourceItem> CreateInstance();
    // A new item filled from `tree` (FromKeyTree); clean. The caller keeps the tree.
    static CZRauto_ptr<IResourceItem> CreateInstance(CKeyTree* tree);
    // `prefix` followed by eight hexadecimal digits from a fresh GUID, all upper-cased
    // (prefix "cam" and GUID bytes 8..11 = 0A 0B 0C 0D give "CAM0D0C0B0A"). Does not
    // consult the catalogue. Throws CResultCodeException when GUID creation fails.
    static CString makeUniqueID(const CString& prefix);

    CResourceItemFactory(const CResourceItemFactory& other);
    CResourceItemFactory& operator=(const CResourceItemFactory& other);
    ~CResourceItemFactory() override;

    CString get_ID() override;
    CString get_Type() override;
    CString get_Name() override;
    CString get_Conn() override;
    CString get_Caps() override;
    void set_ID(const CString& id) override;
    void set_Type(const CString& type) override;
    void set_Name(const CString& name) override;
    void set_Conn(const CString& conn) override;
    void set_Caps(const CString& caps) override;
    CKeyTree* AsKeyTree() override;
    bool IsDirty() override;

  protected:
    void OnZRunknownFinalize() override;
    // Empties the five fields; with a tree, reads them from its keys (identifier as
    // stored, not upper-cased) and records them as the clean baseline. A null tree leaves
    // the fields empty and the baseline untouched.
    virtual void FromKeyTree(CKeyTree* tree);

  private:
    friend class CResourceItemPersistFactory;  // fills loaded items without a tree
    CResourceItemFactory();
    // Sets the five fields and records them as the clean baseline.
    void _load(CString id, CString type, CString name, CString conn, CString caps);

    CString m_ID;
    CString m_Type;
    CString m_Name;
    CString m_Conn;
    CString m_Caps;
    CString m_loadedID;
    CString m_loadedType;
    CString m_loadedName;
    CString m_loadedConn;
    CString m_loadedCaps;
    // False while no setter has run since the baseline was recorded: IsDirty is then false
    // without comparing, which keeps a scan of a large catalogue cheap.
    bool m_touched = false;
};

}  // namespace NResourceItem
