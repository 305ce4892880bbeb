#include "editor_ui/ResEditors.h"

namespace NResourceItem {

void ShowEditorBusy(CDialog& running, const CString& id) {
    CString text;
    text.Format(
        "The configuration of %s cannot be opened now: an editor of the same kind is "
        "already open. Close that editor first, then open this one again.",
        id.GetString());
    running.MessageBox(text, "Edit Configuration", MB_OK | MB_ICONWARNING);
}

}  // namespace NResourceItem
