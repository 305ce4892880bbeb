#include "catalogue/ResourceFilter.h"

namespace NResourceItem {

CResourceFilter::CResourceFilter() : m_typeList(CResourceTypeList::CreateInstance()) {}
CResourceFilter::CResourceFilter(const CResourceFilter& other) = default;
CResourceFilter& CResourceFilter::operator=(const CResourceFilter& other) = default;
CResourceFilter::~CResourceFilter() = default;

CZRauto_ptr<IResourceFilter> CResourceFilter::CreateInstance() {
    return CZRauto_ptr<IResourceFilter>(new CResourceFilter());
}

CZRauto_ptr<IResourceTypeList> CResourceFilter::GetResourceTypeList() {
    return m_typeList;
}

void CResourceFilter::SetResourceTypeList(CZRauto_ptr<IResourceTypeList> list) {
    m_typeList = std::move(list);
}

CString CResourceFilter::GetResourceIdFilterSpec() {
    return m_idFilterSpec;
}

void CResourceFilter::SetResourceIdFilterSpec(const CString& spec) {
    m_idFilterSpec = spec;
}

}  // namespace NResourceItem
