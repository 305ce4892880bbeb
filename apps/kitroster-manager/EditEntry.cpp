#include "apps/kitroster-manager/EditEntry.h"

#include "apps/kitroster-manager/TypeFilter.h"

#include <cstdio>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueLock.h"
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

// Saves under the catalogue lock, so that no other writer of this machine is half-way;
// a file that could not be written or removed is named.
int SaveChanges(IKitroster* collection) {
    CString error;
    auto lock = CCatalogueLock::Acquire(
        GetCatalogueFolder(), CCatalogueLock::kDefaultWaitMs,
        [] { std::fprintf(stderr, "kitroster-manager: waiting for another program...\n"); },
        &error);
    if (!lock)
        return Fail(error);
    collection->Save();
    const std::vector<CString> failures = GetSaveFailures(collection);
    if (failures.empty())
        return kExitOk;
    CString message = FormatResString(IDS_SAVE_FAILED, GetCatalogueFolder().GetString());
    for (const CString& failure : failures)
        message += "\n  " + failure;
    return Fail(message);
}

}  // namespace

int RunEditEntry(const SManagerOptions& options) {
    if (CString problem; !CheckSettingsRoot(&problem))
        return Fail(problem);
    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    if (!collection->Load()) {
        for (const CString& name : GetSkippedFiles(collection))
            Fail("skipped (left as it is): " + name);
    }
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
    return SaveChanges(collection);
}

}  // namespace kitroster::manager
