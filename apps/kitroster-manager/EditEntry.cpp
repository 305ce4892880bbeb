#include "apps/kitroster-manager/EditEntry.h"

#include "apps/kitroster-manager/TypeFilter.h"

#include <cstdio>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueSession.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResourceTypeList.h"
#include "editor_ui/ResEditDlg.h"
#include "platform/env/PathMapping.h"
#include "resources/strings/StringTable.h"

namespace kitroster::manager {

using namespace NResourceItem;

namespace {

int Fail(const CString& message) {
    std::fprintf(stderr, "kitroster-manager: %s\n", Cp1252ToUtf8(message.str()).c_str());
    return kExitFailed;
}

// Saves all or nothing; the files that stopped the save are named.
int SaveChanges(CCatalogueSession& session) {
    if (session.Save())
        return kExitOk;
    CString message = FormatResString(IDS_SAVE_FAILED, GetCatalogueFolder().GetString());
    for (const CString& failure : session.Failures())
        message += "\n  " + failure;
    return Fail(message);
}

}  // namespace

int RunEditEntry(const SManagerOptions& options) {
    // A short session: the lock is held from the load until the dialog's change is saved,
    // so that no other writer's change in between is lost.
    CCatalogueSession session(
        ECatalogueLockPolicy::kHoldFromLoad, CZRauto_ptr<IKitroster>(),
        CCatalogueLock::kDefaultWaitMs,
        [] { std::fprintf(stderr, "kitroster-manager: waiting for another program...\n"); });
    if (!session.Load())
        return Fail(session.Error());
    for (const SSkippedFile& file : session.Skipped())
        Fail("skipped (left as it is): " + file.name);
    CZRauto_ptr<IKitroster> collection = session.CollectionHandle();
    CZRauto_ptr<IResourceItem> item;
    if (options.editId) {
        item = collection->GetItemById(FromUtf8(*options.editId));
        if (!item)
            return Fail(FromUtf8(*options.editId) + " does not exist");
    }
    CResEditDlg dlg(collection, item.get() != nullptr, false, TypeFilter(options.types), nullptr);
    if (item)
        dlg.ShowResource(item);
    if (dlg.DoModal() != IDOK)
        return kExitFailed;
    if (!item) {
        if (collection->GetItemById(dlg.m_id))
            return Fail(dlg.m_id + " already exists");
        item = CResourceItemFactory::CreateInstance();
    }
    dlg.ApplyTo(item);
    if (!options.editId)
        collection->Add(item);
    return SaveChanges(session);
}

}  // namespace kitroster::manager
