#include "catalogue/CatalogueFolder.h"

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"

namespace NResourceItem {

const char* const kUnusableListedNameReason =
    "its name holds a '\\', which this system reads as a folder separator; left as it is";

bool IsUsableListedName(const std::string& name) {
    return name.find('\\') == std::string::npos;
}

bool CatalogueFolderExists(const CString& folder) {
    if (folder.IsEmpty())
        return false;
    kitroster::FileInfo info;
    return GetKitrosterApp().GetEnv()->GetFileInfo(folder.str(), &info).ok() && info.isDirectory;
}

kitroster::EnvStatus CreateCatalogueFolder(const CString& folder) {
    return GetKitrosterApp().GetEnv()->CreateDirectory(folder.str());
}

}  // namespace NResourceItem
