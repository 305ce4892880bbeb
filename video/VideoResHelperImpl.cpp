// CVideoResHelperImpl: resolution of one name against the catalogue, the local host and
// the network, and the queries on one result.

#include "catalogue/ResourceItemFacades.h"
#include "catalogue/ResourceLookup.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/kxcommon/KXCommon.h"
#include "video/VideoLog.h"
#include "video/VideoResHelper.h"

namespace NResourceItem {

namespace {

constexpr const char* kLocal = "(local)";

bool IsLocalWord(const CString& s) {
    return s.CompareNoCase(kLocal) == 0;
}

// Whether `s` names another machine than this one: not empty, not "(local)", not this
// machine's host name (case ignored).
bool IsRemoteMachine(const CString& s) {
    return !s.IsEmpty() && !IsLocalWord(s) && s.CompareNoCase(GetHostName()) != 0;
}

// The catalogue resource `id` through a reader facade. Reads the resource's own file
// when it can instead of the whole catalogue.
CResourceItemReaderFacade OpenResource(const CString& id) {
    return CResourceItemReaderFacade(ReadResourceById(id));
}

}  // namespace

CVideoResHelperImpl::CVideoResHelperImpl()
    : m_createdTick(0),
      m_isResVideo(false),
      m_isResCamera(false),
      m_isAssyVideo(false),
      m_isInvalidResource(true),
      m_isLocalServer(false) {}

CVideoResHelperImpl::CVideoResHelperImpl(const CString& resName, const CString& localHost,
                                         bool refresh)
    : m_createdTick(GetKitrosterApp().GetEnv()->GetTickCount()),
      m_isResVideo(false),
      m_isResCamera(false),
      m_isAssyVideo(false),
      m_isInvalidResource(false),
      m_isLocalServer(false) {
    _resolve(resName, localHost, refresh);
}

CVideoResHelperImpl::~CVideoResHelperImpl() = default;

void CVideoResHelperImpl::_resolve(const CString& resName, const CString& localHost, bool refresh) {
    VIDEO_LOG(ZRLOG_INFO, "CVideoResHelperImpl::CVideoResHelperImpl(%s,%s)", resName.GetString(),
              localHost.GetString());
    bool found = false;
    m_server = CVideoResHelper::RemoveNameDecoration(resName);

    if (m_server.IsEmpty() || IsLocalWord(m_server)) {
        m_name = kLocal;
        m_server = localHost.IsEmpty() ? GetHostName() : localHost;
        VIDEO_LOG(ZRLOG_INFO,
                  "CVideoResHelperImpl::CVideoResHelperImpl(%s) - (local) resource name converted "
                  "to host name '%s'",
                  resName.GetString(), m_server.GetString());
    } else if (CResourceItemReaderFacade resource = OpenResource(m_server); resource.Exists()) {
        found = true;
        m_name = m_server;
        m_type = resource.GetType();
        if (resource.IsType("SERVER", true)) {
            VIDEO_LOG(ZRLOG_INFO,
                      "CVideoResHelperImpl::CVideoResHelperImpl() found 'server' %s to be a "
                      "TYPE_SERVER resource",
                      m_server.GetString());
            _resolveVideoServer(resource);
        } else if (resource.IsType("CAMERA_IP", true)) {
            VIDEO_LOG(ZRLOG_INFO,
                      "CVideoResHelperImpl::CVideoResHelperImpl(%s) found 'server' to be a camera "
                      "resource...",
                      m_server.GetString());
            m_resCamera = m_name;
            m_resCamera2.Empty();
            m_resVideo.Empty();
            m_server.Empty();
            m_isResCamera = true;
        } else if (resource.IsType("ASSY_VIDEO", true)) {
            _resolveAssembly(resource, localHost);
        } else {
            VIDEO_LOG(
                ZRLOG_WARNING,
                "VideoResourceHelper::CVideoResHelperImpl() '%s' is an invalid video resource!",
                m_server.GetString());
            m_isInvalidResource = true;
        }
    }

    if (m_server.CompareNoCase(GetHostName()) == 0) {
        m_isLocalServer = true;
    } else if (!IsLocalWord(m_name) && !found) {
        VIDEO_LOG(ZRLOG_INFO,
                  "VideoResourceHelper::CVideoResHelperImpl() '%s' is an unknown resource. It "
                  "could be the "
                  "name of a machine, or it could be a bogus resource!",
                  m_server.GetString());
        if (CVideoResHelper::IsServerReachable(m_server, refresh)) {
            VIDEO_LOG(ZRLOG_INFO,
                      "VideoResourceHelper::CVideoResHelperImpl() '%s' is an unknown resource. We "
                      "were able to "
                      "ping it, hence we assume it was intended as a literal machine name!",
                      m_server.GetString());
        } else if (!localHost.IsEmpty()) {
            VIDEO_LOG(ZRLOG_INFO,
                      "VideoResourceHelper::CVideoResHelperImpl() '%s' is an unknown resource. We "
                      "were unable "
                      "to ping it. In this case, we have to assume that it is a bogus resource "
                      "name. We will "
                      "substitute the provided local context %s instead...",
                      m_server.GetString(), localHost.GetString());
            m_server = localHost;
            if (m_server.CompareNoCase(GetHostName()) == 0)
                m_isLocalServer = true;
        }
    }
    VIDEO_LOG(ZRLOG_INFO,
              "VideoResourceHelper::CVideoResHelperImpl() resolved the server name to '%s'",
              m_server.GetString());
}

void CVideoResHelperImpl::_resolveVideoServer(const CResourceItemReaderFacade& resource) {
    m_isResVideo = true;
    m_resVideo = m_name;
    m_resCamera.Empty();
    m_resCamera2.Empty();
    // The caller's local host does not stand in for a video server's own machine.
    CString server = resource.GetConnProperty("SERVER");
    if (IsRemoteMachine(server)) {
        m_server = server;
        m_username = resource.GetConnProperty("USERNAME");
        m_password = DecryptPassword(resource.GetConnProperty("PASSWORD"));
    } else {
        m_server = GetHostName();
        m_username.Empty();
        m_password.Empty();
    }
}

void CVideoResHelperImpl::_resolveAssembly(const CResourceItemReaderFacade& assembly,
                                           const CString& localHost) {
    VIDEO_LOG(ZRLOG_INFO,
              "CVideoResHelperImpl::CVideoResHelperImpl() found server %s to be a TYPE_ASSY_VIDEO "
              "resource",
              m_server.GetString());
    m_isAssyVideo = true;
    m_resVideo = assembly.GetConnProperty("RES_SERVER");
    m_resCamera = assembly.GetConnProperty("RES_CAMERA");
    m_resCamera2 = assembly.GetConnProperty("RES_CAMERA2");
    VIDEO_LOG(ZRLOG_INFO,
              "VideoResourceHelper::CVideoResHelperImpl() found server %s to be an assy video "
              "resource with "
              "video component: %s",
              m_server.GetString(), m_resVideo.IsEmpty() ? "(empty)" : m_resVideo.GetString());

    CResourceItemReaderFacade videoServer = OpenResource(m_resVideo);
    CString server = videoServer.GetConnProperty("SERVER");
    if ((server.IsEmpty() || IsLocalWord(server)) && !localHost.IsEmpty()) {
        VIDEO_LOG(ZRLOG_INFO,
                  "VideoResourceHelper::CVideoResHelperImpl() assembly found to specify '%s' for "
                  "the server "
                  "assembly. Caller supplied '%s' for this context...",
                  server.GetString(), localHost.GetString());
        server = localHost;
    }
    if (IsRemoteMachine(server)) {
        m_server = server;
        m_username = videoServer.GetConnProperty("USERNAME");
        m_password = DecryptPassword(videoServer.GetConnProperty("PASSWORD"));
        VIDEO_LOG(ZRLOG_INFO,
                  "VideoResourceHelper::CVideoResHelperImpl() actual server machine is '%s' "
                  "determined from "
                  "resource '%s'",
                  m_server.GetString(), m_resVideo.GetString());
    } else {
        VIDEO_LOG(ZRLOG_INFO,
                  "VideoResourceHelper::CVideoResHelperImpl() actual server machine is (local) as "
                  "determined "
                  "from resource '%s'",
                  m_name.GetString());
        m_server = GetHostName();
        m_username.Empty();
        m_password.Empty();
    }
    if (m_resCamera.IsEmpty()) {
        m_resCamera = kLocal;
        m_resCamera2.Empty();
    }
}

CString CVideoResHelperImpl::getResCameraByStreamID(long streamId) const {
    if (!m_isAssyVideo)
        return CString();
    if (streamId == 1)
        return m_resCamera;
    if (streamId == 2)
        return m_resCamera2;
    VIDEO_LOG(ZRLOG_FAILURE,
              "CVideoResHelperImpl::getResCameraByStreamID(%ld) - no mapping for this stream ID! "
              "Using default (%s)",
              streamId, m_resCamera.GetString());
    return m_resCamera;
}

CString CVideoResHelperImpl::getDecoratedHostName() const {
    if (isVideoResource())
        return CVideoResHelper::AddNameDecoration(m_name);
    if (IsLocalWord(m_name))
        return kLocal;
    if (!isServerValid())
        return CString();
    return m_server;
}

bool CVideoResHelperImpl::isType(const CString& typeName, bool partial) const {
    return CResourceItemReaderFacade::compareTypes(m_type, typeName, partial);
}

}  // namespace NResourceItem
