// The editor table: the five resource types the edit dialog knows, each bound to one
// connectivity editor and one capability editor. Types are looked up ignoring case. The
// six editors are process-wide objects, created with the library and destroyed with it
// (which destroys any dialog they still hold).
//
// EditLinkedConn edits, in place, the connectivity of a resource another one refers to:
// the assembly and room dialogs and the dependants list use it.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "catalogue/Kitroster.h"
#include "editor_ui/ResEditors.h"

namespace NResourceItem {

int EditorTableSize();
// The type of row `row`; empty outside 0..EditorTableSize()-1.
CString EditorTableType(int row);
// The editor of the first row whose type equals `type` ignoring case; null for none.
IResEditConn* ConnEditorFor(const CString& type);
IResEditCaps* CapsEditorFor(const CString& type);

// Opens the connectivity editor of resource `id` of `resMgr` and, when it closes with OK,
// stores the result as the item's connectivity string (saving is the catalogue owner's
// business). Does nothing for an empty id, "(local)", "<none>", an id the catalogue lacks
// or a type without an editor.
void EditLinkedConn(CZRauto_ptr<IKitroster> resMgr, const CString& id);

}  // namespace NResourceItem
