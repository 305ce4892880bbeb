// Resource filter: a shared type list plus an identifier pattern list (the manager window
// interprets the patterns).
//
// Thread-safety: one thread at a time.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceTypeList.h"
#include "catalogue/ZRunknown.h"

namespace NResourceItem {

class KITROSTER_API IResourceFilter {
  public:
    // The held list itself (shared): changes through it are changes of the filter. Empty
    // only after SetResourceTypeList with an empty handle.
    virtual CZRauto_ptr<IResourceTypeList> GetResourceTypeList() = 0;
    // Holds `list` from now on (shared, not copied).
    virtual void SetResourceTypeList(CZRauto_ptr<IResourceTypeList> list) = 0;
    virtual CString GetResourceIdFilterSpec() = 0;
    virtual void SetResourceIdFilterSpec(const CString& spec) = 0;

  protected:
    ~IResourceFilter() = default;
};

class KITROSTER_API CResourceFilter : public CZRunknown, public IResourceFilter {
  public:
    // A filter with a new, empty type list and an empty specification.
    static CZRauto_ptr<IResourceFilter> CreateInstance();

    // A copy shares the type list (handles are copied as handles).
    CResourceFilter(const CResourceFilter& other);
    CResourceFilter& operator=(const CResourceFilter& other);
    ~CResourceFilter() override;

    CZRauto_ptr<IResourceTypeList> GetResourceTypeList() override;
    void SetResourceTypeList(CZRauto_ptr<IResourceTypeList> list) override;
    CString GetResourceIdFilterSpec() override;
    void SetResourceIdFilterSpec(const CString& spec) override;

  private:
    CResourceFilter();

    CZRauto_ptr<IResourceTypeList> m_typeList;
    CString m_idFilterSpec;
};

}  // namespace NResourceItem
