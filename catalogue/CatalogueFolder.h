// The catalogue folder on disk: whether it is there, how it is made, and which names a
// listing of it may give that the rest of the system can use.
//
// A name from a folder listing is one path component. Paths inside the system are
// Windows-form text in which every '\' is a separator, so a listed name holding a '\'
// (an ordinary character in a Linux file name) would name another file once joined to its
// folder: such a name is never joined, opened, written or removed, only reported.
//
// Thread-safety: safe for concurrent use (the Env is).
#pragma once

#include <string>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "platform/env/EnvStatus.h"

namespace NResourceItem {

// False for a listed name that cannot be joined to its folder (it holds a '\').
KITROSTER_API bool IsUsableListedName(const std::string& name);
// Why such a name is left alone, for skipped-file reports.
KITROSTER_API extern const char* const kUnusableListedNameReason;

// True when `folder` exists and is a folder.
KITROSTER_API bool CatalogueFolderExists(const CString& folder);

// Creates the catalogue folder `folder` itself, never its parents: a settings root that
// does not exist is a mistake to report (kErrorPathNotFound), not a tree to make.
// kErrorAlreadyExists when it is there already.
KITROSTER_API kitroster::EnvStatus CreateCatalogueFolder(const CString& folder);

}  // namespace NResourceItem
