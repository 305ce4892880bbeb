// IResourceEditor: how a host shows the resource manager window without constructing it,
// either to manage the catalogue (Edit) or to pick one resource (Select), optionally
// restricted to a set of types.
//
//     CZRauto_ptr<IResourceEditor> editor = CResourceEditorFactory::CreateInstance();
//     CString id = "CAM01";
//     if (editor->Select("Choose a camera", id)) ...
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceTypeList.h"
#include "catalogue/ZRunknown.h"

namespace NResourceItem {

class KITROSTER_API IResourceEditor {
  public:
    // Manages the catalogue; true when the window closed with OK (it has saved then).
    virtual bool Edit(const CString& title) = 0;
    // Lets the person pick a resource, pre-selecting `selection`. After OK `selection`
    // holds the choice and the result says whether there was one; otherwise `selection`
    // is unchanged and the result is false.
    virtual bool Select(const CString& title, CString& selection) = 0;
    // The types later Edit and Select calls show; an empty handle shows every type.
    virtual void SetTypeFilter(CZRauto_ptr<IResourceTypeList> types) = 0;

  protected:
    ~IResourceEditor() = default;
};

class KITROSTER_API CResourceEditorFactory : public CZRunknown, public IResourceEditor {
  public:
    static CZRauto_ptr<IResourceEditor> CreateInstance();

    bool Edit(const CString& title) override;
    bool Select(const CString& title, CString& selection) override;
    void SetTypeFilter(CZRauto_ptr<IResourceTypeList> types) override;

  protected:
    CResourceEditorFactory() = default;
    void OnZRunknownFinalize() override;

  private:
    CZRauto_ptr<IResourceTypeList> m_typeFilter;
};

}  // namespace NResourceItem
