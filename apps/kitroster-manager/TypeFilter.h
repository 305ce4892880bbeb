// Text and type lists from the command line of kitroster-manager.
#pragma once

#include <string>

#include "base/CString.h"
#include "catalogue/ResourceTypeList.h"

namespace kitroster::manager {

// UTF-8 command-line text as the system's 8-bit text ('?' for what the code page lacks).
CString FromUtf8(const std::string& text);

// The types of --types ("T;T..."); an empty handle (every type) when none were given.
NResourceItem::CZRauto_ptr<NResourceItem::IResourceTypeList> TypeFilter(const std::string& types);

}  // namespace kitroster::manager
