#include "sync/ErrorMapping.h"

#include "sync/SyncLog.h"

namespace ZRSYNC {

HRESULT HResultFromWin32(uint32_t error) {
    if (error == 0)
        return S_OK;
    return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

HRESULT HResultFromEnv(const kitroster::EnvStatus& status) {
    if (status.ok())
        return S_OK;
    HRESULT hr = HResultFromWin32(status.error());
    return hr == S_OK ? E_UNEXPECTED : hr;
}

uint32_t LastErrorOf(const kitroster::EnvStatus& status) {
    return status.ok() ? 0 : status.error();
}

}  // namespace ZRSYNC

namespace MANIFEST::FN {

HRESULT AssignFailedHRESULT(uint32_t systemError, const char* text) {
    HRESULT hr = ZRSYNC::HResultFromWin32(systemError);
    if (hr < 0) {
        ZRSYNC_LOG("ManifestImpl", ZRLOG_INFO, "MANIFEST::FN::AssignFailedHRESULT() %s (0x%lx)",
                   text, static_cast<unsigned long>(static_cast<uint32_t>(hr)));
        return hr;
    }
    ZRSYNC_LOG("ManifestImpl", ZRLOG_FAILURE,
               "MANIFEST::FN::AssignFailedHRESULT() !!!NO FAULT!!! %s (0x%lx)", text,
               static_cast<unsigned long>(static_cast<uint32_t>(E_UNEXPECTED)));
    return E_UNEXPECTED;
}

HRESULT AssignFailedHRESULT(const kitroster::EnvStatus& status, const char* text) {
    return AssignFailedHRESULT(ZRSYNC::LastErrorOf(status), text);
}

}  // namespace MANIFEST::FN
