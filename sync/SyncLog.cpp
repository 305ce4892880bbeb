#include "sync/SyncLog.h"

namespace ZRSYNC {

CZRLogSite& SyncLogSite() {
    static CZRLogSite site("ZRSYNC_ZRSYNCCOMMON");
    return site;
}

void AddSyncEventLogEntry(const char* module, const char* text) {
    COxbException entry(module, 0, 0xC1010002u, text, nullptr, 0, 3);
    entry.AddToEventLog(module, 0);
}

}  // namespace ZRSYNC
