// Logging of the settings synchronisation support: every entry goes to the component
// "ZRSYNC_ZRSYNCCOMMON" and names the source module it belongs to ("ManifestImpl",
// "SyncConfigurator", "SyncTimeCheck", "MachineMgrModelAuthentication", ...) rather than
// the C++ file, so that entries read the same whichever file of a module wrote them.
#pragma once

#include "platform/oxb_exception/ZRLogSite.h"

namespace ZRSYNC {
// The log site of the component.
CZRLogSite& SyncLogSite();
// Sends `text` to the event log with code 0xC1010002 (information severity).
void AddSyncEventLogEntry(const char* module, const char* text);
}  // namespace ZRSYNC

#define ZRSYNC_LOG(module, level, ...) \
    ZR_LOG_AT(::ZRSYNC::SyncLogSite(), level, module, __LINE__, __VA_ARGS__)
