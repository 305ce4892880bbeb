// CCapsServerDlg: the "SERVER RESOURCE CAPS" dialog (template 15005): the capability text
// of a video server's first stream, key STREAM_1.
#pragma once

#include "editor_ui/CapsDlg.h"

namespace NResourceItem {

class KITROSTER_API CCapsServerDlg : public CCapsDlg {
  public:
    CCapsServerDlg(const CString& id, CDialog* parent);
};

}  // namespace NResourceItem
