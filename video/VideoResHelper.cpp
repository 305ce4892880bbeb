// CVideoResHelper: the process-wide caches, the cached construction, the name decoration
// helpers and the ping cache.
#include "video/VideoResHelper.h"

#include <atomic>
#include <utility>

#include "catalogue/CatalogueContext.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/registry/Registry.h"
#include "video/VideoLog.h"

namespace NResourceItem {

CZRLogSite& VideoLogSite() {
    static CZRLogSite s_log("KITROSTER");
    return s_log;
}

std::map<CString, CVideoResHelperImpl> CVideoResHelper::m_resMap;
std::map<CString, int> CVideoResHelper::m_pingMap;
std::map<uint32_t, CString> CVideoResHelper::m_localHostMap;
std::recursive_mutex CVideoResHelper::m_cs_ping;
uint32_t CVideoResHelper::m_dwRefreshInterval_ms = 0;

namespace {

constexpr const char* kLocal = "(local)";
constexpr int kPingWait = 5000;

// The local host each entry of the resolution cache was resolved under, by the same key.
// Callers with different local hosts share the cache: without this, one caller's
// "(local)" (or its stand-in for an unreachable name) would be served to another whose
// local host is a different machine. Guarded by CVideoResHelper::m_cs_ping.
std::map<CString, CString>& ResolvedUnder() {
    static std::map<CString, CString> s_hosts;
    return s_hosts;
}

// The ping cache key, which is also the text pinged: the host upper-cased, as machine names
// compare without regard to case, except an IPv6 zone ("fe80::1%lo"). Interface names are
// case-sensitive, so the zone, from the '%' on, stays as given: "%LO" names no interface.
CString PingKey(const CString& host) {
    const int percent = host.Find('%');
    CString key = percent < 0 ? host : host.Left(percent);
    key.MakeUpper();
    return percent < 0 ? key : key + host.Mid(percent);
}

const char* OrEmptyMark(const CString& s) {
    return s.IsEmpty() ? "<empty>" : s.GetString();
}

// The refresh interval from the registry, written back with its default when missing,
// and never below the minimum. An unavailable store reads as the default.
uint32_t ReadRefreshInterval() {
    std::string key = std::string(kVideoSettingsKey) + "\\" + kVideoSettingsSubkey;
    uint32_t interval = GetKitrosterApp().GetRegistry().GetDword(key, kRefreshIntervalValue,
                                                                 kDefaultRefreshInterval_ms);
    return interval < kMinimumRefreshInterval_ms ? kMinimumRefreshInterval_ms : interval;
}

// Age of an entry on the wrapping 32-bit millisecond tick counter.
uint32_t TickAge(uint32_t created, uint32_t now) {
    return now >= created ? now - created : (0xFFFFFFFFu - created) + now;
}

// The local host that stands for "(local)" in this construction: the context's host
// (recorded for its cookie; a different one empties the resolution cache), else the one
// recorded for the cookie, else empty. REQUIRES: m_cs_ping held.
CString LocalHostFor(const CString& resName, const CVideoResHelperContext& ctx) {
    auto& hosts = CVideoResHelper::m_localHostMap;
    auto entry = hosts.find(ctx.m_cookie);
    if (!ctx.m_host.IsEmpty()) {
        if (entry == hosts.end() || entry->second.CompareNoCase(ctx.m_host) != 0) {
            CString old = entry == hosts.end() ? CString() : entry->second;
            VIDEO_LOG(
                ZRLOG_INFO,
                "CVideoResHelper::CVideoResHelper(%s) cached local host changed from %s to %s "
                "for cookie 0x%lx (clearing cache...)",
                resName.GetString(), OrEmptyMark(old), OrEmptyMark(ctx.m_host),
                static_cast<unsigned long>(ctx.m_cookie));
            CVideoResHelper::m_resMap.clear();
            ResolvedUnder().clear();
        }
        CString localHost = ctx.m_host;
        localHost.Trim();
        hosts[ctx.m_cookie] = localHost;
        return localHost;
    }
    if (entry != hosts.end()) {
        VIDEO_LOG(ZRLOG_INFO, "CVideoResHelper() found local host '%s' cached for cookie 0x%lx",
                  entry->second.GetString(), static_cast<unsigned long>(ctx.m_cookie));
        return entry->second;
    }
    return CString();
}

}  // namespace

// --- Context ---

CVideoResHelperContext::CVideoResHelperContext() : m_refresh(false), m_cookie(1) {}

CVideoResHelperContext::CVideoResHelperContext(const CString& host, bool refresh, uint32_t cookie)
    : m_host(host), m_refresh(refresh), m_cookie(cookie) {}

CVideoResHelperContext& CVideoResHelperContext::operator=(const CString& host) {
    m_host = host;
    return *this;
}

// --- Helper ---

CVideoResHelper::CVideoResHelper(const CString& resName, const CVideoResHelperContext& ctx) {
    std::lock_guard<std::recursive_mutex> lock(m_cs_ping);
    bool refresh = ctx.m_refresh;

    if (m_dwRefreshInterval_ms == 0) {
        m_dwRefreshInterval_ms = ReadRefreshInterval();
        VIDEO_LOG(ZRLOG_INFO,
                  "CVideoResHelper::CVideoResHelper(%s) cache refresh interval is %d seconds",
                  resName.GetString(), static_cast<int>(m_dwRefreshInterval_ms / 1000));
    }

    CString localHost = LocalHostFor(resName, ctx);
    VIDEO_LOG(ZRLOG_INFO, "CVideoResHelper::CVideoResHelper(%s) cached local host is %s",
              resName.GetString(), OrEmptyMark(localHost));

    CString key = resName;
    key.MakeUpper();
    auto cached = m_resMap.find(key);
    if (cached != m_resMap.end()) {
        VIDEO_LOG(ZRLOG_INFO, "CVideoResHelper::CVideoResHelper(%s) found video host in map...",
                  resName.GetString());
        m_resHelper = cached->second;
        uint32_t now = GetKitrosterApp().GetEnv()->GetTickCount();
        if (TickAge(m_resHelper.m_createdTick, now) >= m_dwRefreshInterval_ms)
            refresh = true;
        // An entry resolved for another local host is not this caller's answer.
        auto resolvedUnder = ResolvedUnder().find(key);
        if (resolvedUnder != ResolvedUnder().end() &&
            resolvedUnder->second.CompareNoCase(localHost) != 0)
            refresh = true;
        VIDEO_LOG(ZRLOG_INFO,
                  "CVideoResHelper::CVideoResHelper(%s) assigned from map to member m_resHelper",
                  resName.GetString());
        ReportVideoResHelper(m_resHelper);
        if (!refresh)
            return;
    }

    VIDEO_LOG(ZRLOG_INFO,
              "CVideoResHelper::CVideoResHelper(%s) - creating new instance for cache...",
              resName.GetString());
    m_resHelper = CVideoResHelperImpl(resName, localHost, ctx.m_refresh);
    m_resMap.insert_or_assign(key, m_resHelper);
    ResolvedUnder().insert_or_assign(key, localHost);
}

CVideoResHelper::~CVideoResHelper() = default;

bool CVideoResHelper::IsDecoratedName(const CString& s) {
    if (s.IsEmpty())
        return false;
    return s.GetAt(0) == '@' || s.CompareNoCase(kLocal) == 0;
}

CString CVideoResHelper::RemoveNameDecoration(const CString& s) {
    CString name = s;
    name.Trim();
    if (IsDecoratedName(name))
        name.TrimLeft('@');
    return name;
}

CString CVideoResHelper::AddNameDecoration(const CString& s) {
    CString name = RemoveNameDecoration(s);
    if (name.CompareNoCase(kLocal) == 0)
        return name;
    return "@" + name;
}

bool CVideoResHelper::IsServerReachable(const CString& host, bool refresh) {
    std::lock_guard<std::recursive_mutex> lock(m_cs_ping);
    const CString key = PingKey(host);
    auto cached = m_pingMap.find(key);
    if (cached != m_pingMap.end() && !refresh)
        return cached->second == 1;

    bool reachable = GetKitrosterApp().Ping(key.GetString(), kPingWait);
    m_pingMap.insert_or_assign(key, reachable ? 1 : 0);
    VIDEO_LOG(ZRLOG_INFO,
              "VideoResourceHelper::IsServerReachable() pinged '%s' and found it to be %s",
              host.GetString(), reachable ? "REACHABLE" : "UNREACHABLE");
    return reachable;
}

void CVideoResHelper::ReportVideoResHelper(const CVideoResHelperImpl& r) {
    VIDEO_LOG(ZRLOG_INFO, "CVideoResHelper server %s is %s", r.m_server.GetString(),
              r.isServerValid() ? "VALID" : "INVALID");
}

}  // namespace NResourceItem
