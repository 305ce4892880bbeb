// CConnCompositeVideoDlg: the "Video Assembly" dialog (template 15006) for the
// connectivity of a video assembly: the video server and the one or two IP cameras it
// names, each chosen from the catalogue's resources of that kind. Keys, in the order they
// are written: RES_SERVER, RES_CAMERA, RES_CAMERA2 (empty when "<none>" is chosen). The
// button beside each list edits the chosen resource's own connectivity in place.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "editor_ui/ConnDlg.h"

namespace NResourceItem {

class KITROSTER_API CConnCompositeVideoDlg : public CConnDlg {
  public:
    CConnCompositeVideoDlg(const CString& id, CDialog* parent);

    CString m_resServer;
    CString m_resCamera;
    CString m_resCamera2;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void GetMessageMap(CMessageMap& map) override;

    void OnSelchangeList();
    void OnKillfocusList();
    void OnEditServer();
    void OnEditCamera();
    void OnEditCamera2();

  private:
    // Refills the three lists from the catalogue (loading one when none was given).
    void _fill_lists();
};

}  // namespace NResourceItem
