// Item facades: read (and change) one item's fields and single connectivity and
// capability properties without handling property bags.
//
// The bags are parsed once, at construction: later changes made to the item elsewhere are
// not seen by the property getters, and property changes made through a writer reach the
// item only at Commit. Commit changes the in-memory item only; to persist, add the item to
// a collection and save that.
//
// Thread-safety: one thread at a time per facade (and per wrapped item).
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ZRunknown.h"

namespace NResourceItem {

class KITROSTER_API CResourceItemReaderFacade {
  public:
    // A facade without an item.
    CResourceItemReaderFacade();
    // Loads a collection once and wraps the item `id` (detached from the collection);
    // without such an item the facade is empty.
    explicit CResourceItemReaderFacade(const CString& id);
    // Wraps `item` (shared); an empty handle gives an empty facade.
    explicit CResourceItemReaderFacade(CZRauto_ptr<IResourceItem> item);
    CResourceItemReaderFacade(const CResourceItemReaderFacade& other);
    CResourceItemReaderFacade& operator=(const CResourceItemReaderFacade& other);
    virtual ~CResourceItemReaderFacade();

    bool Exists() const;
    // compareTypes(item type, `type`, `byLevel`); false without an item.
    bool IsType(const CString& type, bool byLevel) const;
    CString GetID() const;
    CString GetType() const;
    CString GetName() const;
    CString GetFullConnString() const;
    CString GetFullCapsString() const;
    // The property's value (key case ignored); empty text without a bag or such a key.
    CString GetConnProperty(const CString& key) const;
    CString GetCapsProperty(const CString& key) const;

    // `byLevel` false: equal ignoring case. `byLevel` true: `wanted` equals (ignoring case)
    // `actual`, its first component, or its first two components joined: CAMERA and
    // CAMERA_IP match CAMERA_IP_X; IP matches nothing.
    static bool compareTypes(const CString& actual, const CString& wanted, bool byLevel);

  protected:
    CZRauto_ptr<IResourceItem> m_item;
    CZRauto_ptr<IResPropertyBag> m_connBag;
    CZRauto_ptr<IResPropertyBag> m_capsBag;
};

class KITROSTER_API CResourceItemWriterFacade : public CResourceItemReaderFacade {
  public:
    CResourceItemWriterFacade();
    explicit CResourceItemWriterFacade(const CString& id);
    explicit CResourceItemWriterFacade(CZRauto_ptr<IResourceItem> item);
    CResourceItemWriterFacade(const CResourceItemWriterFacade& other);
    CResourceItemWriterFacade& operator=(const CResourceItemWriterFacade& other);
    ~CResourceItemWriterFacade() override;

    // The wrapped item (shared); empty without one.
    CZRauto_ptr<IResourceItem> GetItem() const;
    // Set on the bag; false without a bag or for a value the bag refuses. The item is not
    // changed until Commit.
    bool SetConnProperty(const CString& key, const CString& value);
    bool SetCapsProperty(const CString& key, const CString& value);
    // Stores the bags' property strings in the item (set_Conn, set_Caps); false without
    // an item. Writes nothing to disk.
    bool Commit();
};

}  // namespace NResourceItem
