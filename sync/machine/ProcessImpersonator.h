// CAVThreadMappedProcessImpersonator: impersonation by credentials for the calling
// thread. Login credentials impersonate their local account (see IThreadImpersonator:
// real when root, a successful no-op otherwise); process credentials name this process,
// which needs no impersonation.
#pragma once

#include <memory>

#include "catalogue/ZRunknown.h"
#include "platform/clipkit/ThreadImpersonator.h"
#include "sync/SyncResult.h"
#include "sync/config/CaptureCredentials.h"

namespace ZRSYNC {

class IConfigureProcessImpersonator {
  public:
    virtual HRESULT Impersonate(NResourceItem::CZRauto_ptr<ICaptureCredentials> credentials) = 0;
    virtual void Revert() = 0;

  protected:
    ~IConfigureProcessImpersonator() = default;
};

class CAVThreadMappedProcessImpersonator : public NResourceItem::CZRunknown,
                                           public IConfigureProcessImpersonator {
  public:
    static NResourceItem::CZRauto_ptr<IConfigureProcessImpersonator> CreateInstance();
    ~CAVThreadMappedProcessImpersonator() noexcept(false) override;

    // E_POINTER without credentials.
    HRESULT Impersonate(NResourceItem::CZRauto_ptr<ICaptureCredentials> credentials) override;
    void Revert() override;

  private:
    CAVThreadMappedProcessImpersonator();
    std::unique_ptr<kitroster::IThreadImpersonator> m_thread;
};

}  // namespace ZRSYNC
