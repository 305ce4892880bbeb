#include "catalogue/ResourceItemFacades.h"

#include "catalogue/ResourceLookup.h"
#include "catalogue/ResourceType.h"

namespace NResourceItem {

namespace {

CString PropertyOf(const CZRauto_ptr<IResPropertyBag>& bag, const CString& key) {
    CString value;
    if (bag)
        bag->Get(key, value);
    return value;
}

}  // namespace

CResourceItemReaderFacade::CResourceItemReaderFacade() = default;

CResourceItemReaderFacade::CResourceItemReaderFacade(const CString& id)
    // The resource's own file when it is the one, else a full load of the catalogue.
    : CResourceItemReaderFacade(ReadResourceById(id)) {}

CResourceItemReaderFacade::CResourceItemReaderFacade(CZRauto_ptr<IResourceItem> item)
    : m_item(std::move(item)) {
    if (m_item) {
        m_connBag = CResPropertyBagFactory::CreateInstance(m_item->get_Conn());
        m_capsBag = CResPropertyBagFactory::CreateInstance(m_item->get_Caps());
    }
}

CResourceItemReaderFacade::CResourceItemReaderFacade(const CResourceItemReaderFacade& other) =
    default;
CResourceItemReaderFacade& CResourceItemReaderFacade::operator=(
    const CResourceItemReaderFacade& other) = default;
CResourceItemReaderFacade::~CResourceItemReaderFacade() = default;

bool CResourceItemReaderFacade::Exists() const {
    return m_item.get() != nullptr;
}

bool CResourceItemReaderFacade::IsType(const CString& type, bool byLevel) const {
    return m_item && compareTypes(m_item->get_Type(), type, byLevel);
}

CString CResourceItemReaderFacade::GetID() const {
    return m_item ? m_item->get_ID() : CString();
}
CString CResourceItemReaderFacade::GetType() const {
    return m_item ? m_item->get_Type() : CString();
}
CString CResourceItemReaderFacade::GetName() const {
    return m_item ? m_item->get_Name() : CString();
}
CString CResourceItemReaderFacade::GetFullConnString() const {
    return m_item ? m_item->get_Conn() : CString();
}
CString CResourceItemReaderFacade::GetFullCapsString() const {
    return m_item ? m_item->get_Caps() : CString();
}

CString CResourceItemReaderFacade::GetConnProperty(const CString& key) const {
    return PropertyOf(m_connBag, key);
}
CString CResourceItemReaderFacade::GetCapsProperty(const CString& key) const {
    return PropertyOf(m_capsBag, key);
}

bool CResourceItemReaderFacade::compareTypes(const CString& actual, const CString& wanted,
                                             bool byLevel) {
    if (wanted.CompareNoCase(actual) == 0)
        return true;
    if (!byLevel)
        return false;
    CString c1;
    CString c2;
    CString c3;
    ParseType(actual, c1, c2, c3);
    const CString twoLevels = MakeType(c1, c2, CString());
    return wanted.CompareNoCase(c1) == 0 || wanted.CompareNoCase(twoLevels) == 0;
}

CResourceItemWriterFacade::CResourceItemWriterFacade() = default;
CResourceItemWriterFacade::CResourceItemWriterFacade(const CString& id)
    : CResourceItemReaderFacade(id) {}
CResourceItemWriterFacade::CResourceItemWriterFacade(CZRauto_ptr<IResourceItem> item)
    : CResourceItemReaderFacade(std::move(item)) {}
CResourceItemWriterFacade::CResourceItemWriterFacade(const CResourceItemWriterFacade& other) =
    default;
CResourceItemWriterFacade& CResourceItemWriterFacade::operator=(
    const CResourceItemWriterFacade& other) = default;
CResourceItemWriterFacade::~CResourceItemWriterFacade() = default;

CZRauto_ptr<IResourceItem> CResourceItemWriterFacade::GetItem() const {
    return m_item;
}

bool CResourceItemWriterFacade::SetConnProperty(const CString& key, const CString& value) {
    return m_connBag && m_connBag->Set(key, value);
}

bool CResourceItemWriterFacade::SetCapsProperty(const CString& key, const CString& value) {
    return m_capsBag && m_capsBag->Set(key, value);
}

bool CResourceItemWriterFacade::Commit() {
    if (!m_item)
        return false;
    CString text;
    if (m_connBag) {
        m_connBag->ToString(text);  // an empty bag gives empty text
        m_item->set_Conn(text);
    }
    if (m_capsBag) {
        m_capsBag->ToString(text);
        m_item->set_Caps(text);
    }
    return true;
}

}  // namespace NResourceItem
