#include "sync/manifest/ManifestContainer.h"

using NResourceItem::CZRauto_ptr;

CZRauto_ptr<CZRManifestContainer> CZRManifestContainer::CreateInstance() {
    return CZRauto_ptr<CZRManifestContainer>(new CZRManifestContainer);
}

CZRManifestContainer::CZRManifestContainer() : m_records(CZRManifestRecordSet::CreateInstance()) {}

void CZRManifestContainer::SetHeader(const CManifestHdr& header) {
    m_header = header;
    if (!m_initialLocked)
        m_initialHeader = header;
}

CZRauto_ptr<IManifestRecordSetCloner> CZRManifestContainer::GetRecordSetCloner() const {
    return CZRauto_ptr<IManifestRecordSetCloner>(m_records.get());
}
