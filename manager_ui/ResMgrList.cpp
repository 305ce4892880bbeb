// CResMgrDlg: construction, opening, the list and its selection, the notifications, the
// keyboard, the periodic update and the title.
#include "base/CString.h"
#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFolder.h"
#include "catalogue/queries/FilterPresets.h"
#include "catalogue/queries/Visibility.h"
#include "dialog_framework/ModuleState.h"
#include "manager_ui/ResMgrDlg.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {
namespace {

constexpr UINT kUpdatePeriodMs = 100;
// Space the widened list leaves to the dialog's right edge in selection mode.
constexpr int kReadOnlyListMargin = 22;

struct SColumn {
    const char* heading;
    int width;
};
// CONN and CAPS are present but hidden until someone drags them open.
constexpr SColumn kColumns[] = {
    {"NAME", 100}, {"TYPE", 120}, {"DESCRIPTION", 205}, {"CONN", 0}, {"CAPS", 0}};
constexpr int kDescriptionColumn = 2;

}  // namespace

CResMgrDlg::CResMgrDlg(const CString& caption, CString selectedID, bool readOnly,
                       CZRauto_ptr<IResourceTypeList> typeFilter, CDialog* parent)
    : CDialog(IDD_RESOURCE_MANAGER, parent),
      m_filterPreset(-1),
      m_contextIndex(-1),
      m_selectedID(selectedID),
      m_caption(caption),
      m_readOnly(readOnly),
      m_descExtraWidth(0),
      m_totalCount(0),
      m_visibleCount(0) {
    m_internalFilter = CResourceFilter::CreateInstance();
    m_baseFilter = CResourceFilter::CreateInstance();
    m_baseFilter->SetResourceTypeList(typeFilter);
    int presetId = ReadLastFilterId();
    loadFilter(presetId);
    m_filterPreset = presetId - 1;
}

CResMgrDlg::~CResMgrDlg() = default;

void CResMgrDlg::GetMessageMap(CMessageMap& map) {
    map.On(ENotify::Click, IDC_RESOURCE_LIST, this, &CResMgrDlg::OnClickMachineList);
    map.On(ENotify::DblClk, IDC_RESOURCE_LIST, this, &CResMgrDlg::OnDoubleClickMachineList);
    map.On(ENotify::ItemChanged, IDC_RESOURCE_LIST, this, &CResMgrDlg::OnItemchangedMachineList);
    map.On(ENotify::GetDispInfo, IDC_RESOURCE_LIST, this, &CResMgrDlg::OnGetDispInfo);
    map.On(ENotify::RClick, IDC_RESOURCE_LIST, this, &CResMgrDlg::OnRclickMachineList);
    map.On(ENotify::Clicked, IDC_NEW, this, &CResMgrDlg::OnNew);
    map.On(ENotify::Clicked, IDC_EDIT, this, &CResMgrDlg::OnEdit);
    map.On(ENotify::Clicked, ID_RES_EDIT_PROPERTIES, this, &CResMgrDlg::OnEdit);
    map.On(ENotify::Clicked, IDC_DELETE, this, &CResMgrDlg::OnDelete);
    map.On(ENotify::Clicked, ID_RES_DELETE, this, &CResMgrDlg::OnDelete);
    map.On(ENotify::Clicked, IDC_RENAME, this, &CResMgrDlg::OnRename);
    map.On(ENotify::Clicked, ID_RES_RENAME, this, &CResMgrDlg::OnRename);
    map.On(ENotify::Clicked, IDC_RELOAD, this, &CResMgrDlg::OnReload);
    map.On(ENotify::Clicked, IDC_CHANGE_FILTER, this, &CResMgrDlg::OnFilter);
    for (int id :
         {IDC_FILTER_PRESET_1, IDC_FILTER_PRESET_2, IDC_FILTER_PRESET_3, IDC_FILTER_PRESET_4})
        map.On(ENotify::Clicked, id, this, &CResMgrDlg::OnFilterPreset);
    map.On(ENotify::Clicked, ID_RES_DEPENDANTS, this, &CResMgrDlg::OnUsedBy);
    map.On(ENotify::Clicked, IDC_SEARCH, this, &CResMgrDlg::OnSearch);
}

void CResMgrDlg::DoDataExchange(CDataExchange* pDX) {
    KR_MANAGE_STATE();
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_FILTER_PRESET_1, m_filterPreset);
}

BOOL CResMgrDlg::OnInitDialog() {
    KR_MANAGE_STATE();
    CDialog::OnInitDialog();
    if (m_readOnly) {
        adjustForReadOnly();
        // Selection mode always starts without the person's preset.
        resetInternalFilter();
    }
    if (!m_caption.IsEmpty())
        SetWindowText(m_caption);
    else
        GetWindowText(m_caption);
    loadResources();
    updateResourceList();
    if (!m_selectedID.IsEmpty())
        selectItemByResID(m_selectedID);
    SetTimer(kUpdateTimerId, kUpdatePeriodMs);
    return TRUE;
}

void CResMgrDlg::loadResources() {
    m_resMgr = CZRauto_ptr<IKitroster>();
    m_resMgr = CKitrosterFactory::CreateInstance();
    // A failed load leaves what could be read, possibly nothing: the list shows that.
    m_resMgr->Load();
    // A missing folder loads as an empty catalogue; an empty list alone would read as a
    // site without resources. Save refuses to make the folder again.
    const CString folder = GetCatalogueFolder();
    if (!CatalogueFolderExists(folder)) {
        CString text;
        text.Format(
            "The catalogue folder %s does not exist, so no resources can be shown. Changes "
            "cannot be saved until the folder is back.",
            folder.GetString());
        MessageBox(text, "Catalogue Folder Missing", MB_OK | MB_ICONERROR);
    }
}

void CResMgrDlg::updateResourceList() {
    CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST);
    if (!list)
        return;
    list->DeleteAllItems();
    list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    while (list->GetColumnCount() > 0)
        list->DeleteColumn(0);
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
        int width = kColumns[c].width + (c == kDescriptionColumn ? m_descExtraWidth : 0);
        list->InsertColumn(c, kColumns[c].heading, LVCFMT_LEFT, width);
    }
    list->SetCallbackMask(LVIS_STATEIMAGEMASK);

    m_totalCount = m_resMgr ? m_resMgr->Size() : 0;
    m_visibleCount = 0;
    for (int i = 0; i < m_totalCount; ++i) {
        CZRauto_ptr<IResourceItem> item = m_resMgr->GetItemByIndex(i);
        if (!item || !IsResourceVisible(m_internalFilter, item))
            continue;
        int row = list->InsertItem(m_visibleCount, "");
        list->SetItemData(row, static_cast<DWORD_PTR>(i));
        list->SetItemText(row, 0, item->get_ID());
        list->SetItemText(row, 1, item->get_Type());
        list->SetItemText(row, 2, item->get_Name());
        list->SetItemText(row, 3, item->get_Conn());
        list->SetItemText(row, 4, item->get_Caps());
        ++m_visibleCount;
    }
}

bool CResMgrDlg::isItemSelected(int* row, int* index) {
    CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST);
    if (!list)
        return false;
    int mark = list->GetSelectionMark();
    if (mark == -1)
        return false;
    if (row)
        *row = mark;
    if (index)
        *index = static_cast<int>(list->GetItemData(mark));
    return true;
}

CString CResMgrDlg::getSelectedResID() {
    int index = -1;
    if (!isItemSelected(nullptr, &index) || !m_resMgr)
        return CString();
    CZRauto_ptr<IResourceItem> item = m_resMgr->GetItemByIndex(index);
    return item ? item->get_ID() : CString();
}

void CResMgrDlg::selectItem(int row) {
    CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST);
    if (!list)
        return;
    list->SetSelectionMark(row);
    list->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list->EnsureVisible(row, FALSE);
    GotoDlgCtrl(list);
}

void CResMgrDlg::selectItemByResID(const CString& id) {
    CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST);
    if (!list || !m_resMgr)
        return;
    for (int row = 0; row < list->GetItemCount(); ++row) {
        CZRauto_ptr<IResourceItem> item =
            m_resMgr->GetItemByIndex(static_cast<int>(list->GetItemData(row)));
        if (item && item->get_ID().CompareNoCase(id) == 0) {
            selectItem(row);
            return;
        }
    }
}

void CResMgrDlg::selectLastItem() {
    if (CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST))
        selectItem(list->GetItemCount() - 1);
}

void CResMgrDlg::OnClickMachineList(const SNotifyInfo&, LRESULT* result) {
    KR_MANAGE_STATE();
    *result = 0;
}

void CResMgrDlg::OnGetDispInfo(const SNotifyInfo&, LRESULT* result) {
    KR_MANAGE_STATE();
    // Every text is stored in the rows when the list is filled.
    *result = 0;
}

void CResMgrDlg::OnDoubleClickMachineList(const SNotifyInfo& info, LRESULT* result) {
    KR_MANAGE_STATE();
    *result = 0;
    if (info.id != IDC_RESOURCE_LIST)
        return;
    bool selected = isItemSelected(nullptr, nullptr);
    if (m_readOnly) {
        if (!selected)
            return;
        if (IsCtrlDown()) {
            OnEdit();
        } else {
            m_selectedID = getSelectedResID();
            EndDialog(IDOK);
        }
    } else if (selected) {
        OnEdit();
    } else {
        OnNew();
    }
}

void CResMgrDlg::OnItemchangedMachineList(const SNotifyInfo&, LRESULT* result) {
    KR_MANAGE_STATE();
    *result = 0;
    if (isItemSelected(nullptr, nullptr))
        UpdateData(TRUE);
}

void CResMgrDlg::OnRclickMachineList(const SNotifyInfo& info, LRESULT* result) {
    KR_MANAGE_STATE();
    *result = 0;
    m_contextIndex = -1;
    int index = -1;
    if (info.id == IDC_RESOURCE_LIST)
        isItemSelected(nullptr, &index);
    if (!m_readOnly) {
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, ID_RES_EDIT_PROPERTIES, "Edit Properties...");
        menu.AppendMenu(MF_STRING, ID_RES_RENAME, "Rename Resource...");
        menu.AppendMenu(MF_STRING, ID_RES_DELETE, "Delete...");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, ID_RES_DEPENDANTS, "Dependants...");
        CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST);
        CRect rect = list ? list->GetRect() : CRect{};
        CPoint at{rect.left + info.offset.x, rect.top + info.offset.y};
        UINT command = TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at);
        m_contextIndex = index;
        // The menu's command runs after the menu has closed, with the new context.
        if (command != 0)
            SendNotify(ENotify::Clicked, static_cast<int>(command));
        return;
    }
    m_contextIndex = index;
}

BOOL CResMgrDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && !m_readOnly) {
        if (msg->wParam == VK_INSERT) {
            OnNew();
            return TRUE;
        }
        if (msg->wParam == VK_DELETE) {
            if (isItemSelected(nullptr, nullptr))
                OnDelete();
            return TRUE;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CResMgrDlg::OnTimer(UINT_PTR id) {
    KR_MANAGE_STATE();
    if (id == kUpdateTimerId)
        updateUI();
    CDialog::OnTimer(id);
}

void CResMgrDlg::updateUI() {
    if (m_readOnly)
        return;
    bool selected = isItemSelected(nullptr, nullptr);
    for (int id : {IDC_EDIT, IDC_DELETE, IDC_RENAME})
        if (CWnd* button = GetDlgItem(id))
            button->EnableWindow(selected);
    if (m_resMgr)
        if (CWnd* ok = GetDlgItem(IDOK))
            ok->EnableWindow(m_resMgr->IsDirty());
    updateTitle();
}

void CResMgrDlg::updateTitle() {
    CString title = m_caption;
    CString suffix;
    if (m_visibleCount < m_totalCount) {
        if (m_visibleCount < 1)
            suffix = FormatResString(IDS_ALL_HIDDEN, m_totalCount);
        else
            suffix = FormatResString(IDS_VIEWING_SOME, m_visibleCount, m_totalCount);
        title = FormatResString(IDS_TITLE_WITH_ID, m_caption.GetString(), suffix.GetString());
    } else if (m_totalCount > 0) {
        suffix = FormatResString(IDS_VIEWING_ALL, m_totalCount);
        title = FormatResString(IDS_TITLE_WITH_ID, m_caption.GetString(), suffix.GetString());
    }
    // Only a real change is written, so that the 100 ms timer does not make the caption
    // flicker.
    if (GetWindowText().CompareNoCase(title) != 0)
        SetWindowText(title);
}

void CResMgrDlg::adjustForReadOnly() {
    for (int id : {IDC_NEW, IDC_EDIT, IDC_DELETE, IDC_RENAME, IDC_CHANGE_FILTER, IDC_FILTER_GROUP,
                   IDC_FILTER_PRESET_1, IDC_FILTER_PRESET_2, IDC_FILTER_PRESET_3,
                   IDC_FILTER_PRESET_4, IDC_SEARCH})
        if (CWnd* control = GetDlgItem(id))
            control->ShowWindow(SW_HIDE);
    CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST);
    if (!list)
        return;
    CRect client;
    GetClientRect(&client);
    CRect rect = list->GetRect();
    int oldWidth = rect.Width();
    rect.right = rect.left + client.Width() - kReadOnlyListMargin;
    list->MoveWindow(rect);
    m_descExtraWidth = rect.Width() - oldWidth;
}

}  // namespace NResourceItem
