// Type list: a set of resource type strings, compared ignoring case, kept in byte order of
// the upper-cased type, each remembered in the spelling last given to Put. Membership is
// an exact match of the whole type; level matching is compareTypes' business.
//
// Thread-safety: one thread at a time.
#pragma once

#include <map>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ZRunknown.h"

namespace NResourceItem {

class KITROSTER_API IResourceTypeList {
  public:
    // Ignored for empty text; a known type (any case) takes the new spelling.
    virtual void Put(const CString& type) = 0;
    virtual void Del(const CString& type) = 0;
    virtual bool Has(const CString& type) = 0;
    virtual bool IsEmpty() = 0;
    virtual int Size() = 0;
    // The stored spelling at `index` in key order; empty text when out of range.
    virtual CString GetTypeByIndex(int index) = 0;

  protected:
    ~IResourceTypeList() = default;
};

class KITROSTER_API CResourceTypeList : public CZRunknown, public IResourceTypeList {
  public:
    static CZRauto_ptr<IResourceTypeList> CreateInstance();

    CResourceTypeList(const CResourceTypeList& other);
    CResourceTypeList& operator=(const CResourceTypeList& other);
    ~CResourceTypeList() override;

    void Put(const CString& type) override;
    void Del(const CString& type) override;
    bool Has(const CString& type) override;
    bool IsEmpty() override;
    int Size() override;
    CString GetTypeByIndex(int index) override;

  private:
    CResourceTypeList();

    std::map<CString, CString> m_types;  // upper-cased type -> spelling last put
};

}  // namespace NResourceItem
