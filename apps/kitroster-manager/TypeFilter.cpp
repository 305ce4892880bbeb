#include "apps/kitroster-manager/TypeFilter.h"

#include "platform/env/PathMapping.h"

namespace kitroster::manager {

using namespace NResourceItem;

CString FromUtf8(const std::string& text) {
    std::string cp1252;
    return Utf8ToCp1252(text, &cp1252, '?') ? CString(cp1252) : CString(text);
}

CZRauto_ptr<IResourceTypeList> TypeFilter(const std::string& types) {
    if (types.empty())
        return {};
    CZRauto_ptr<IResourceTypeList> list = CResourceTypeList::CreateInstance();
    CString all = FromUtf8(types);
    int pos = 0;
    for (CString type = all.Tokenize(";", pos); pos >= 0; type = all.Tokenize(";", pos)) {
        type.Trim();
        if (!type.IsEmpty())
            list->Put(type);
    }
    return list;
}

}  // namespace kitroster::manager
