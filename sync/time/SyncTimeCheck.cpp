#include "sync/time/SyncTimeCheck.h"

#include "common/SplitPath.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "sync/ErrorMapping.h"
#include "sync/SyncLog.h"

namespace ZRSYNC {

using kitroster::EnvStatus;
using NResourceItem::CZRauto_ptr;

namespace {
constexpr const char* kModule = "SyncTimeCheck";

unsigned long Code(HRESULT hr) {
    return static_cast<unsigned long>(static_cast<uint32_t>(hr));
}
}  // namespace

CZRauto_ptr<CSyncTimeCheck> CSyncTimeCheck::CreateInstance(
    const std::string& shareFolder, CZRauto_ptr<ICaptureCredentials> credentials) {
    return CZRauto_ptr<CSyncTimeCheck>(new CSyncTimeCheck(shareFolder, std::move(credentials)));
}

CSyncTimeCheck::CSyncTimeCheck(const std::string& shareFolder,
                               CZRauto_ptr<ICaptureCredentials> credentials)
    : m_credentials(std::move(credentials)),
      m_probePath(SplitPath(shareFolder.c_str(), kProbeFileName).GetFullPath().GetString()) {}

void CSyncTimeCheck::_impersonate() {
    if (!m_impersonator) {
        m_impersonator = CAVThreadMappedProcessImpersonator::CreateInstance();
    } else {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CSyncTimeCheck::_impersonate() reverting from impersonation...");
        m_impersonator->Revert();
    }
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "CSyncTimeCheck::_impersonate() impersonating by credentials...");
    m_impersonator->Impersonate(m_credentials);
}

bool CSyncTimeCheck::_check() {
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    m_writeTime = 0;
    m_modTime = 0;
    m_ok = false;
    // Without a share folder the probe would land in the working folder: no measurement.
    if (m_probePath.find_first_of("\\/") == std::string::npos) {
        m_error = E_INVALIDARG;
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CSyncTimeCheck::_check() failed to open to %s for writing (0x%lx)",
                   m_probePath.c_str(), Code(m_error));
        return false;
    }
    if (!m_impersonator)
        _impersonate();

    kitroster::OpenOptions options;
    options.access = kitroster::kAccessRead | kitroster::kAccessWrite;
    options.share = kitroster::kShareNone;
    options.disposition = kitroster::FileDisposition::kCreateAlways;
    std::unique_ptr<kitroster::IFile> file;
    EnvStatus opened = env->OpenFile(m_probePath, options, &file);
    if (!opened.ok()) {
        m_error = HResultFromWin32(LastErrorOf(opened));
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CSyncTimeCheck::_check() failed to open to %s for writing (0x%lx)",
                   m_probePath.c_str(), Code(m_error));
        return false;
    }
    m_writeTime = env->GetSystemTimeAsFileTime();
    ZRSYNC_LOG(kModule, ZRLOG_INFO, "CSyncTimeCheck::_check() successfully openned %s for writing",
               m_probePath.c_str());

    const std::string block(100, 'c');
    EnvStatus written = file->Write(block.data(), block.size());
    if (written.ok()) {
        m_ok = true;
    } else {
        // The error is kept as well, so that a failed check never reports success.
        m_error = HResultFromEnv(written);
        ZRSYNC_LOG(kModule, ZRLOG_INFO, "CSyncTimeCheck::_check() failed to write to %s (0x%lx)",
                   m_probePath.c_str(), Code(m_error));
    }
    EnvStatus closed = file->Close();
    if (!closed.ok()) {
        m_error = HResultFromEnv(closed);
        ZRSYNC_LOG(kModule, ZRLOG_INFO, "CSyncTimeCheck::_check() failed to close %s (0x%lx)",
                   m_probePath.c_str(), Code(m_error));
        m_ok = false;
    }
    if (m_ok) {
        kitroster::FileInfo info;
        EnvStatus stat = env->GetFileInfo(m_probePath, &info);
        m_modTime = stat.ok() ? info.lastWriteTime : 0;
        if (m_writeTime == 0 || m_modTime == 0) {
            m_error = HResultFromWin32(LastErrorOf(stat));
            ZRSYNC_LOG(kModule, ZRLOG_INFO,
                       "CSyncTimeCheck::_check() failed to get mod time for %s (0x%lx)",
                       m_probePath.c_str(), Code(m_error));
            m_ok = false;
        }
    }
    if (m_ok)
        m_error = S_OK;
    return m_ok;
}

}  // namespace ZRSYNC
