// ReadResourceById: the resource's own file first, the full catalogue load otherwise.
#include "catalogue/ResourceLookup.h"

#include <string>

#include "catalogue/CatalogueContext.h"
#include "catalogue/FolderIndex.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/FileHelpers.h"

namespace NResourceItem {

namespace {

// The item in `fileName` of `folder` when the file reads with the current schema and
// carries `wantedUpper` as its identifier; an empty handle otherwise.
CZRauto_ptr<IResourceItem> ReadOwnFile(const CString& folder, const CString& fileName,
                                       const CString& wantedUpper) {
    // The same bounded read as Load: a file over the resource file limit is refused from
    // its size, before anything is read or allocated.
    std::string text;
    if (!kitroster::ReadFileWhole(GetKitrosterApp().GetEnv(),
                                  JoinCataloguePath(folder, fileName).str(),
                                  kMaxResourceFileBytes, &text)
             .ok()) {
        return {};
    }
    int schema = 0;
    CZRauto_ptr<IResourceItem> item = CResourceItemPersistFactory::ParseResourceText(text, &schema);
    if (!item || schema != RES_SCHEMA)
        return {};
    CString inner = item->get_ID();
    inner.MakeUpper();
    if (inner != wantedUpper)
        return {};
    return item;
}

}  // namespace

CZRauto_ptr<IResourceItem> ReadResourceById(const CString& id) {
    if (id.IsEmpty())
        return {};
    if (IsSafeResourceId(id)) {
        CString folder = GetCatalogueFolder();
        CString upper = id;
        upper.MakeUpper();
        if (CZRauto_ptr<IResourceItem> item = ReadOwnFile(folder, ResourceFileName(id), upper)) {
            return item;
        }
        if (upper != id) {
            if (CZRauto_ptr<IResourceItem> item =
                    ReadOwnFile(folder, ResourceFileName(upper), upper)) {
                return item;
            }
        }
    }
    // What a full Load would give, reading only the files that changed since last time.
    return FindInFolderIndex(GetCatalogueFolder(), id);
}

}  // namespace NResourceItem
