// CCapsGenericDlg: the "RESOURCE CAPS" dialog (template 15008): the free capability text
// of a camera, an assembly or a room, key GENERIC.
#pragma once

#include "editor_ui/CapsDlg.h"

namespace NResourceItem {

class KITROSTER_API CCapsGenericDlg : public CCapsDlg {
  public:
    CCapsGenericDlg(const CString& id, CDialog* parent);
};

}  // namespace NResourceItem
