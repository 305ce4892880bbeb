// Video resource resolution: turns the name a recording program holds for its video
// source into the machine that serves the video, the login for it, the video server and
// camera resources behind it, and flags that say what kind of thing the name denoted.
//
// A name may be a catalogue resource (video server, IP camera or video assembly,
// optionally written with a leading "@"), the word "(local)", an empty string, or a plain
// machine name. Resources are read from the catalogue; names the catalogue does not know
// are pinged.
//
// Results are cached process-wide: resolutions by upper-cased name (m_resMap), ping
// results by upper-cased host (m_pingMap), and the last local host supplied per caller
// cookie (m_localHostMap). A cached resolution is reused while it is younger than the
// refresh interval and only by callers whose local host is the one it was resolved for, so
// that callers with different local hosts never receive each other's "(local)" answers.
// One recursive lock, m_cs_ping, guards the three maps and the refresh interval; it is
// held for a whole construction, catalogue reads and pings included.
//
// Thread-safety: any thread may construct helpers and call the static operations. A
// constructed CVideoResHelper is a snapshot that answers queries without the lock; one
// helper object is not to be used by one thread while another assigns to it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace kitroster {
class Env;
}

namespace NResourceItem {

class CResourceItemReaderFacade;

// What a caller knows about its own situation.
class KITROSTER_API CVideoResHelperContext {
  public:
    // Empty host, no refresh, cookie 1.
    CVideoResHelperContext();
    CVideoResHelperContext(const CString& host, bool refresh, uint32_t cookie);
    CVideoResHelperContext(const CVideoResHelperContext& other) = default;
    CVideoResHelperContext& operator=(const CVideoResHelperContext& other) = default;
    // Replaces m_host only; m_refresh and m_cookie stay.
    CVideoResHelperContext& operator=(const CString& host);

    // The machine that stands for "(local)" in this caller's context; may be empty.
    CString m_host;
    // When true a cached resolution is not reused and unknown machines are pinged again.
    bool m_refresh;
    // Identifies the caller's context; the last non-empty m_host is remembered per cookie.
    uint32_t m_cookie;
};

// One resolution result: the value the resolution cache stores and a helper holds.
class KITROSTER_API CVideoResHelperImpl {
  public:
    // All text empty, m_isInvalidResource true, the other flags false, tick 0.
    CVideoResHelperImpl();
    // Resolves `resName`. `localHost` stands for "(local)" and replaces an unknown name
    // that does not answer a ping; `refresh` pings such names again instead of using the
    // ping cache. Takes the helper lock for the ping (the constructor of CVideoResHelper
    // already holds it).
    CVideoResHelperImpl(const CString& resName, const CString& localHost, bool refresh);
    CVideoResHelperImpl(const CVideoResHelperImpl& other) = default;
    CVideoResHelperImpl& operator=(const CVideoResHelperImpl& other) = default;
    virtual ~CVideoResHelperImpl();

    // Empty unless the name is an assembly: stream 1 gives the first camera, stream 2 the
    // second; any other number gives the first camera and logs a failure.
    CString getResCameraByStreamID(long streamId) const;
    CString getDecoratedHostName() const;
    bool isVideoResource() const { return m_isResVideo || m_isResCamera || m_isAssyVideo; }
    bool isMachineName() const { return !m_isInvalidResource && !isVideoResource(); }
    bool isServerValid() const { return !m_isResCamera && !m_server.IsEmpty(); }
    bool isType(const CString& typeName, bool partial) const;

    uint32_t m_createdTick;  // tick count when resolved; copied with the value
    CString m_name;          // resource name as resolved, "(local)", or empty when unknown
    CString m_server;        // machine that runs the video server (empty for a camera)
    CString m_resVideo;      // video server resource
    CString m_resCamera;     // first camera resource
    CString m_resCamera2;    // second camera resource
    CString m_username;      // login for the server machine
    CString m_password;      // its password, plain text
    CString m_type;          // full type of the named resource, empty when none was found
    bool m_isResVideo;
    bool m_isResCamera;
    bool m_isAssyVideo;
    bool m_isInvalidResource;
    bool m_isLocalServer;

  private:
    void _resolve(const CString& resName, const CString& localHost, bool refresh);
    void _resolveVideoServer(const CResourceItemReaderFacade& resource);
    void _resolveAssembly(const CResourceItemReaderFacade& assembly, const CString& localHost);
};

// The exported handle: constructing it resolves a name through the caches.
class KITROSTER_API CVideoResHelper {
  public:
    // Resolves `resName` for `ctx`, using and filling the process-wide caches.
    CVideoResHelper(const CString& resName, const CVideoResHelperContext& ctx);
    CVideoResHelper(const CVideoResHelper& other) = default;
    CVideoResHelper& operator=(const CVideoResHelper& other) = default;
    virtual ~CVideoResHelper();

    CString getServer() const { return m_resHelper.m_server; }
    CString getResVideo() const { return m_resHelper.m_resVideo; }
    CString getResCamera() const { return m_resHelper.m_resCamera; }
    CString getResCamera1() const { return m_resHelper.m_resCamera; }
    CString getResCamera2() const { return m_resHelper.m_resCamera2; }
    CString getResCameraByStreamID(long streamId) const {
        return m_resHelper.getResCameraByStreamID(streamId);
    }
    CString getUsername() const { return m_resHelper.m_username; }
    CString getPassword() const { return m_resHelper.m_password; }
    CString getType() const { return m_resHelper.m_type; }
    CString getDecoratedHostName() const { return m_resHelper.getDecoratedHostName(); }
    bool isResVideo() const { return m_resHelper.m_isResVideo; }
    bool isResCamera() const { return m_resHelper.m_isResCamera; }
    bool isAssyVideo() const { return m_resHelper.m_isAssyVideo; }
    bool isInvalidResource() const { return m_resHelper.m_isInvalidResource; }
    bool isLocalServer() const { return m_resHelper.m_isLocalServer; }
    bool isVideoResource() const { return m_resHelper.isVideoResource(); }
    bool isMachineName() const { return m_resHelper.isMachineName(); }
    bool isServerValid() const { return m_resHelper.isServerValid(); }
    bool isType(const CString& typeName, bool partial) const {
        return m_resHelper.isType(typeName, partial);
    }

    // False for empty text; true when it starts with "@" or equals "(local)" ignoring
    // case. No trimming.
    static bool IsDecoratedName(const CString& s);
    // `s` trimmed of white space; when decorated, every leading "@" removed as well.
    static CString RemoveNameDecoration(const CString& s);
    // "(local)" (in any case) unchanged, otherwise "@" before the undecorated name.
    static CString AddNameDecoration(const CString& s);
    // Whether `host` answers a ping; the answer is cached per upper-cased host and asked
    // again only with `refresh`. Holds the helper lock, also while pinging.
    static bool IsServerReachable(const CString& host, bool refresh);
    // Logs whether the server of `r` is valid.
    static void ReportVideoResHelper(const CVideoResHelperImpl& r);

    // Process-wide state; read and written only under m_cs_ping.
    static std::map<CString, CVideoResHelperImpl> m_resMap;
    static std::map<CString, int> m_pingMap;
    static std::map<uint32_t, CString> m_localHostMap;
    static std::recursive_mutex m_cs_ping;
    static uint32_t m_dwRefreshInterval_ms;

  protected:
    CVideoResHelperImpl m_resHelper;
};

// Registry location of the refresh interval.
inline constexpr const char* kVideoSettingsKey = "Software\\Corvent\\ZRMediaComponents";
inline constexpr const char* kVideoSettingsSubkey = "LocalSettings";
inline constexpr const char* kRefreshIntervalValue = "VideoResHelperRefreshInterval_ms";
inline constexpr uint32_t kDefaultRefreshInterval_ms = 30000;
inline constexpr uint32_t kMinimumRefreshInterval_ms = 5000;

}  // namespace NResourceItem
