// CResMgrDlg: the "Resource Manager" window (template 15000). Opened to manage the
// catalogue, it creates, edits, renames and deletes resources in its own collection and
// saves them on OK; opened in selection mode, it only lets the person pick one resource.
//
// The list shows the resources that pass the internal filter (a filter preset, the filter
// dialog's result or a reset); the base filter holds the caller's type restriction. Each
// row keeps only its item's collection index; every command looks the item up again.
//
// The class is split by concern: ResMgrList.cpp (opening, list, selection, timer, title),
// ResMgrCommands.cpp (New, Edit, Delete, OK, Cancel, Rename, Dependants, Search),
// ResMgrFilters.cpp (presets and the filter dialog) and ResMgrReload.cpp (Reload).
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResourceFilter.h"
#include "catalogue/ResourceTypeList.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

// Commands of the list's context menu.
inline constexpr UINT ID_RES_DEPENDANTS = 32771;
inline constexpr UINT ID_RES_EDIT_PROPERTIES = 32772;
inline constexpr UINT ID_RES_DELETE = 32773;
inline constexpr UINT ID_RES_RENAME = 32774;

inline constexpr UINT_PTR kUpdateTimerId = 666;

class KITROSTER_API CResMgrDlg : public CDialog {
  public:
    // An empty `caption` keeps the template's; `selectedID` is selected when the window
    // opens; `readOnly` chooses selection mode; an empty `typeFilter` restricts nothing.
    CResMgrDlg(const CString& caption, CString selectedID, bool readOnly,
               CZRauto_ptr<IResourceTypeList> typeFilter, CDialog* parent);
    ~CResMgrDlg() override;

    CString GetSelectedID() const { return m_selectedID; }

  protected:
    void GetMessageMap(CMessageMap& map) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id) override;

    void OnClickMachineList(const SNotifyInfo& info, LRESULT* result);
    void OnDoubleClickMachineList(const SNotifyInfo& info, LRESULT* result);
    void OnItemchangedMachineList(const SNotifyInfo& info, LRESULT* result);
    void OnGetDispInfo(const SNotifyInfo& info, LRESULT* result);
    void OnRclickMachineList(const SNotifyInfo& info, LRESULT* result);

    void OnNew();
    void OnEdit();
    void OnDelete();
    void OnRename();
    void OnReload();
    void OnFilter();
    void OnFilterPreset();
    void OnUsedBy();
    void OnSearch();

    void loadResources();
    void updateResourceList();
    bool isItemSelected(int* row, int* index);
    CString getSelectedResID();
    void selectItem(int row);
    void selectItemByResID(const CString& id);
    void selectLastItem();
    void updateUI();
    void updateTitle();
    void adjustForReadOnly();

    void resetInternalFilter();
    void loadFilter(int presetId);
    void saveFilter(int presetId);
    bool isUserFilterActive();

    void reload(bool bResync);

    int m_filterPreset;
    int m_contextIndex;
    CZRauto_ptr<IKitroster> m_resMgr;
    CString m_selectedID;
    CString m_caption;
    bool m_readOnly;
    int m_descExtraWidth;
    CZRauto_ptr<IResourceFilter> m_baseFilter;
    CZRauto_ptr<IResourceFilter> m_internalFilter;
    int m_totalCount;
    int m_visibleCount;

  private:
    // Saves the collection; false, after telling the person which files failed, when
    // something could not be written or removed.
    bool saveResources();
};

}  // namespace NResourceItem
