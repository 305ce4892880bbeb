#include "sync/machine/ProcessImpersonator.h"

#include "sync/machine/MachineServices.h"

namespace ZRSYNC {

using NResourceItem::CZRauto_ptr;

CZRauto_ptr<IConfigureProcessImpersonator> CAVThreadMappedProcessImpersonator::CreateInstance() {
    return CZRauto_ptr<IConfigureProcessImpersonator>(new CAVThreadMappedProcessImpersonator);
}

CAVThreadMappedProcessImpersonator::CAVThreadMappedProcessImpersonator()
    : m_thread(GetMachineServices().createImpersonator()) {}

CAVThreadMappedProcessImpersonator::~CAVThreadMappedProcessImpersonator() noexcept(false) {
    Revert();
}

HRESULT CAVThreadMappedProcessImpersonator::Impersonate(
    CZRauto_ptr<ICaptureCredentials> credentials) {
    if (!credentials)
        return E_POINTER;
    if (credentials->IsProcessCredentials())
        return S_OK;
    return m_thread->Impersonate(*credentials->GetUserName());
}

void CAVThreadMappedProcessImpersonator::Revert() {
    if (m_thread)
        m_thread->Revert();
}

}  // namespace ZRSYNC
