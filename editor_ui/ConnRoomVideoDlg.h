// CConnRoomVideoDlg: the "Room Video" dialog (template 15007) for the connectivity of a
// room: the video assemblies it holds, ticked in a list of every assembly of the
// catalogue, and whether it includes the explicit local video resource. Keys, in the
// order they are written: RES_ASSYLIST ("|A|B", in byte order), ROOM_EXCLUDE_LOCAL
// ("TRUE" or "FALSE"). Stored assemblies the catalogue lacks are reported by the link check
// on opening and dropped on OK. Double-clicking an assembly edits its connectivity in place.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "catalogue/queries/RoomAssemblies.h"
#include "editor_ui/ConnDlg.h"

namespace NResourceItem {

class KITROSTER_API CConnRoomVideoDlg : public CConnDlg {
  public:
    CConnRoomVideoDlg(const CString& id, CDialog* parent);

    int m_includeLocal = 1;
    CIdentifierSet m_selected;
    CIdentifierSet m_missing;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void GetMessageMap(CMessageMap& map) override;

    void OnIncludeLocal();
    void OnCheck();
    void OnDblclkList();

    // The linked resource check of every ticked assembly and every missing one, shown in a
    // message box; with `silent` only when it found errors.
    void CheckLinks(bool silent);

  private:
    // m_selected becomes the text of every ticked line.
    void _collect_selection();
};

}  // namespace NResourceItem
