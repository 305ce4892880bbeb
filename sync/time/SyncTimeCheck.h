// CSyncTimeCheck: how far a file server's clock is from this machine's.
//
// Check() writes the probe file "67B9EA79-4462-4e80-A3FA-2A90EFD83F3A.bin" (100 bytes)
// in the share folder, as the given credentials, and compares the modification time the
// server stamped on it with this machine's clock taken right after opening it. The offset
// is in 100 ns units, positive when the server clock is ahead. The probe file is left in
// place and overwritten by the next check. Files and clocks go through the application's
// Env.
// An empty share folder gives no measurement (0x80070057) and touches no file.
// Thread-safety: one thread at a time (the impersonation belongs to the calling thread).
#pragma once

#include "base/KitrosterExport.h"

#include <cstdint>
#include <string>

#include "catalogue/ZRunknown.h"
#include "sync/SyncResult.h"
#include "sync/config/CaptureCredentials.h"
#include "sync/machine/ProcessImpersonator.h"

namespace ZRSYNC {

class ISyncTimeCheck {
  public:
    virtual bool Check() = 0;
    virtual bool Succeeded() const = 0;
    virtual HRESULT GetError() const = 0;
    virtual int64_t GetOffset() const = 0;

  protected:
    ~ISyncTimeCheck() = default;
};

class KITROSTER_API CSyncTimeCheck : public NResourceItem::CZRunknown, public ISyncTimeCheck {
  public:
    static constexpr const char* kProbeFileName = "67B9EA79-4462-4e80-A3FA-2A90EFD83F3A.bin";

    static NResourceItem::CZRauto_ptr<CSyncTimeCheck> CreateInstance(
        const std::string& shareFolder,
        NResourceItem::CZRauto_ptr<ICaptureCredentials> credentials);

    bool Check() override { return _check(); }
    bool Succeeded() const override { return m_ok; }
    HRESULT GetError() const override { return m_error; }
    int64_t GetOffset() const override {
        return static_cast<int64_t>(m_modTime) - static_cast<int64_t>(m_writeTime);
    }
    const std::string& ProbePath() const { return m_probePath; }

  private:
    CSyncTimeCheck(const std::string& shareFolder,
                   NResourceItem::CZRauto_ptr<ICaptureCredentials> credentials);
    void _impersonate();
    bool _check();

    NResourceItem::CZRauto_ptr<IConfigureProcessImpersonator> m_impersonator;
    NResourceItem::CZRauto_ptr<ICaptureCredentials> m_credentials;
    std::string m_probePath;
    bool m_ok = false;
    HRESULT m_error = S_OK;
    uint64_t m_modTime = 0;
    uint64_t m_writeTime = 0;
};

}  // namespace ZRSYNC
