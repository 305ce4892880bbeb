#include "catalogue/ResourceTypeList.h"

#include <iterator>

namespace NResourceItem {

namespace {

CString Upper(const CString& text) {
    CString upper = text;
    return upper.MakeUpper();
}

}  // namespace

CResourceTypeList::CResourceTypeList() = default;
CResourceTypeList::CResourceTypeList(const CResourceTypeList& other) = default;
CResourceTypeList& CResourceTypeList::operator=(const CResourceTypeList& other) = default;
CResourceTypeList::~CResourceTypeList() = default;

CZRauto_ptr<IResourceTypeList> CResourceTypeList::CreateInstance() {
    return CZRauto_ptr<IResourceTypeList>(new CResourceTypeList());
}

void CResourceTypeList::Put(const CString& type) {
    if (type.IsEmpty())
        return;
    m_types[Upper(type)] = type;
}

void CResourceTypeList::Del(const CString& type) {
    m_types.erase(Upper(type));
}

bool CResourceTypeList::Has(const CString& type) {
    return m_types.count(Upper(type)) != 0;
}

bool CResourceTypeList::IsEmpty() {
    return m_types.empty();
}

int CResourceTypeList::Size() {
    return static_cast<int>(m_types.size());
}

CString CResourceTypeList::GetTypeByIndex(int index) {
    if (index < 0 || index >= Size())
        return CString();
    return std::next(m_types.begin(), index)->second;
}

}  // namespace NResourceItem
