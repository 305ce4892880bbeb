#include "apps/kitroster-manager/ManagerEntry.h"

#include "apps/kitroster-manager/TypeFilter.h"
#include "manager_ui/ResourceEditor.h"
#include "platform/env/PathMapping.h"

namespace kitroster::manager {

using namespace NResourceItem;

int RunManagerWindow(const SManagerOptions& options, std::optional<std::string>* selected) {
    CZRauto_ptr<IResourceEditor> editor = CResourceEditorFactory::CreateInstance();
    editor->SetTypeFilter(TypeFilter(options.types));
    const CString caption = FromUtf8(options.caption);
    if (!options.pick)
        return editor->Edit(caption) ? kExitOk : kExitFailed;
    CString selection = FromUtf8(*options.pick);
    if (!editor->Select(caption, selection))
        return kExitFailed;
    *selected = Cp1252ToUtf8(selection.str());
    return kExitOk;
}

}  // namespace kitroster::manager
