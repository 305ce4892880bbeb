// Resolution of names against a catalogue folder, a scripted ping and a test clock.
#include "video/VideoResHelper.h"

#include <gtest/gtest.h>

#include "platform/kxcommon/KXCommon.h"
#include "platform/oxb_exception/ZRLog.h"
#include "platform/registry/Registry.h"
#include "tests/video/VideoSandbox.h"

namespace {

using NResourceItem::CVideoResHelper;
using NResourceItem::CVideoResHelperContext;
using NResourceItem::CVideoResHelperImpl;

constexpr const char* kCreating = "creating new instance for cache...";

class VideoResHelperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        self = GetHostName();
        // This machine's name in another case.
        otherCaseSelf = self;
        otherCaseSelf.MakeUpper();
        if (otherCaseSelf == self)
            otherCaseSelf.MakeLower();
        sandbox.WriteResource("SRV1", "SERVER_MPEG4",
                              CString("SERVER=vidhost;USERNAME=operator;PASSWORD=") +
                                  EncryptPassword("s3cret") + ";");
        sandbox.WriteResource("SRVSELF", "SERVER_MPEG4",
                              CString("SERVER=") + otherCaseSelf + ";USERNAME=u;PASSWORD=x;");
        sandbox.WriteResource("SRVLOCAL", "SERVER", "SERVER=(LOCAL);USERNAME=u;");
        sandbox.WriteResource("CAM1", "CAMERA_IP", "IPADDR=10.0.0.5;");
        sandbox.WriteResource("CAM2", "CAMERA_IP_AXIS", "IPADDR=10.0.0.6;");
        sandbox.WriteResource("ASSY1", "ASSY_VIDEO",
                              "RES_SERVER=SRV1;RES_CAMERA=CAM1;RES_CAMERA2=CAM2;");
        sandbox.WriteResource("ASSY2", "ASSY_VIDEO", "RES_SERVER=GONE;RES_CAMERA2=CAM2;");
        sandbox.WriteResource("ASSYSELF", "ASSY_VIDEO", "RES_SERVER=SRVLOCAL;RES_CAMERA=CAM1;");
        sandbox.WriteResource("ROOM1", "ROOM_VIDEO", "ASSEMBLIES=ASSY1;");
        sandbox.SetReachable("PINGHOST");
    }

    CVideoResHelper Resolve(const CString& name, const CString& host = "", uint32_t cookie = 1,
                            bool refresh = false) {
        return CVideoResHelper(name, CVideoResHelperContext(host, refresh, cookie));
    }

    videotest::CVideoSandbox sandbox;
    CString self;
    CString otherCaseSelf;
};

TEST(VideoNameDecoration, AddsRemovesAndRecognisesDecoration) {
    struct Row {
        const char* input;
        bool decorated;
        const char* removed;
        const char* added;
    };
    const Row rows[] = {
        {"", false, "", "@"},
        {"CAM1", false, "CAM1", "@CAM1"},
        {"@CAM1", true, "CAM1", "@CAM1"},
        {"  @@CAM1  ", false, "CAM1", "@CAM1"},
        {"(local)", true, "(local)", "(local)"},
        {"(LOCAL)", true, "(LOCAL)", "(LOCAL)"},
        {" @(Local) ", false, "(Local)", "(Local)"},
        {"cam@1", false, "cam@1", "@cam@1"},
        {" plain ", false, "plain", "@plain"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(CVideoResHelper::IsDecoratedName(row.input), row.decorated);
        EXPECT_EQ(CVideoResHelper::RemoveNameDecoration(row.input), CString(row.removed));
        EXPECT_EQ(CVideoResHelper::AddNameDecoration(row.input), CString(row.added));
    }
}

TEST(VideoResHelperValues, ContextAndDefaultValue) {
    CVideoResHelperContext ctx;
    EXPECT_TRUE(ctx.m_host.IsEmpty());
    EXPECT_FALSE(ctx.m_refresh);
    EXPECT_EQ(ctx.m_cookie, 1u);
    ctx = CVideoResHelperContext("ws1", true, 7);
    ctx = CString("ws2");
    EXPECT_EQ(ctx.m_host, CString("ws2"));
    EXPECT_TRUE(ctx.m_refresh);
    EXPECT_EQ(ctx.m_cookie, 7u);

    CVideoResHelperImpl empty;
    EXPECT_TRUE(empty.m_isInvalidResource);
    EXPECT_FALSE(empty.isVideoResource() || empty.m_isLocalServer || empty.isMachineName());
    EXPECT_TRUE(empty.getDecoratedHostName().IsEmpty());
}

// One row per outcome of a resolution: what the name is, what context it comes with, and
// every field and flag the helper answers.
TEST_F(VideoResHelperTest, ResolvesEveryKindOfName) {
    struct Row {
        const char* name;
        CString localHost;
        CString wantName, wantServer, wantVideo, wantCam, wantCam2, wantUser, wantPassword,
            wantType;
        bool video, camera, assembly, invalid, local;
        CString decorated;
    };
    const CString none;
    const Row rows[] = {
        // The local case, in every spelling, with and without a caller's host.
        {"", none, "(local)", self, none, none, none, none, none, none, false, false, false, false,
         true, "(local)"},
        {"(LOCAL)", none, "(local)", self, none, none, none, none, none, none, false, false, false,
         false, true, "(local)"},
        {"  @(local) ", none, "(local)", self, none, none, none, none, none, none, false, false,
         false, false, true, "(local)"},
        {"(local)", " ws7 ", "(local)", "ws7", none, none, none, none, none, none, false, false,
         false, false, false, "(local)"},
        // Video servers: a remote machine with its login; this machine or "(local)" without.
        {"@srv1", none, "srv1", "vidhost", "srv1", none, none, "operator", "s3cret", "SERVER_MPEG4",
         true, false, false, false, false, "@srv1"},
        {"SRVSELF", "ws7", "SRVSELF", self, "SRVSELF", none, none, none, none, "SERVER_MPEG4", true,
         false, false, false, true, "@SRVSELF"},
        {"SRVLOCAL", "ws7", "SRVLOCAL", self, "SRVLOCAL", none, none, none, none, "SERVER", true,
         false, false, false, true, "@SRVLOCAL"},
        // Cameras have no server.
        {"CAM2", "ws7", "CAM2", none, none, "CAM2", none, none, none, "CAMERA_IP_AXIS", false, true,
         false, false, false, "@CAM2"},
        // Assemblies: the server resource's machine, else the caller's host, else this one.
        {"ASSY1", none, "ASSY1", "vidhost", "SRV1", "CAM1", "CAM2", "operator", "s3cret",
         "ASSY_VIDEO", false, false, true, false, false, "@ASSY1"},
        {"ASSY2", "ws7", "ASSY2", "ws7", "GONE", "(local)", none, none, none, "ASSY_VIDEO", false,
         false, true, false, false, "@ASSY2"},
        {"ASSY2", none, "ASSY2", self, "GONE", "(local)", none, none, none, "ASSY_VIDEO", false,
         false, true, false, true, "@ASSY2"},
        {"ASSYSELF", otherCaseSelf, "ASSYSELF", self, "SRVLOCAL", "CAM1", none, none, none,
         "ASSY_VIDEO", false, false, true, false, true, "@ASSYSELF"},
        // A resource of no video type stays its own name.
        {"ROOM1", "ws7", "ROOM1", "ROOM1", none, none, none, none, none, "ROOM_VIDEO", false, false,
         false, true, false, "ROOM1"},
        // Unknown names: this machine, a machine that answers, and one that does not.
        {otherCaseSelf.GetString(), "ws7", none, otherCaseSelf, none, none, none, none, none, none,
         false, false, false, false, true, otherCaseSelf},
        {"pinghost", "ws7", none, "pinghost", none, none, none, none, none, none, false, false,
         false, false, false, "pinghost"},
        {"ghost", "ws7", none, "ws7", none, none, none, none, none, none, false, false, false,
         false, false, "ws7"},
        {"ghost", otherCaseSelf, none, otherCaseSelf, none, none, none, none, none, none, false,
         false, false, false, true, otherCaseSelf},
        {"@ghost", none, none, "ghost", none, none, none, none, none, none, false, false, false,
         false, false, "ghost"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("name '") + row.name + "' host '" + row.localHost.str() + "'");
        {
            // Each row resolves afresh; ping results stay cached across rows.
            std::lock_guard<std::recursive_mutex> lock(CVideoResHelper::m_cs_ping);
            CVideoResHelper::m_resMap.clear();
            CVideoResHelper::m_localHostMap.clear();
        }
        CVideoResHelper h = Resolve(row.name, row.localHost);
        EXPECT_EQ(h.getServer(), row.wantServer);
        EXPECT_EQ(h.getResVideo(), row.wantVideo);
        EXPECT_EQ(h.getResCamera(), row.wantCam);
        EXPECT_EQ(h.getResCamera1(), row.wantCam);
        EXPECT_EQ(h.getResCamera2(), row.wantCam2);
        EXPECT_EQ(h.getUsername(), row.wantUser);
        EXPECT_EQ(h.getPassword(), row.wantPassword);
        EXPECT_EQ(h.getType(), row.wantType);
        EXPECT_EQ(h.isResVideo(), row.video);
        EXPECT_EQ(h.isResCamera(), row.camera);
        EXPECT_EQ(h.isAssyVideo(), row.assembly);
        EXPECT_EQ(h.isInvalidResource(), row.invalid);
        EXPECT_EQ(h.isLocalServer(), row.local);
        EXPECT_EQ(h.isMachineName(), !row.invalid && !row.video && !row.camera && !row.assembly);
        EXPECT_EQ(h.getDecoratedHostName(), row.decorated);
        std::lock_guard<std::recursive_mutex> lock(CVideoResHelper::m_cs_ping);
        CString key = row.name;
        key.MakeUpper();
        EXPECT_EQ(CVideoResHelper::m_resMap.at(key).m_name, row.wantName);
    }
    EXPECT_EQ(
        sandbox.CountLog(
            ZRLOG_WARNING,
            "VideoResourceHelper::CVideoResHelperImpl() 'ROOM1' is an invalid video resource!"),
        1);
    EXPECT_EQ(
        sandbox.CountLog(
            ZRLOG_INFO,
            "We were able to ping it, hence we assume it was intended as a literal machine name!"),
        1);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO,
                               "We will substitute the provided local context ws7 instead..."),
              1);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO,
                               "VideoResourceHelper::CVideoResHelperImpl() actual server machine "
                               "is (local) as determined from resource 'ASSYSELF'"),
              1);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO,
                               "assembly found to specify '' for the server assembly. Caller "
                               "supplied 'ws7' for this context..."),
              1);
    // Known resources and this machine's own name are never pinged.
    EXPECT_EQ(sandbox.PingedHosts(), (std::vector<std::string>{"PINGHOST/5000", "GHOST/5000"}));
}

TEST_F(VideoResHelperTest, QueriesOnAResult) {
    CVideoResHelper assembly = Resolve("ASSY1");
    EXPECT_EQ(assembly.getResCameraByStreamID(1), CString("CAM1"));
    EXPECT_EQ(assembly.getResCameraByStreamID(2), CString("CAM2"));
    EXPECT_EQ(assembly.getResCameraByStreamID(3), CString("CAM1"));
    EXPECT_EQ(sandbox.CountLog(
                  ZRLOG_FAILURE,
                  "CVideoResHelperImpl::getResCameraByStreamID(3) - no mapping for this stream ID! "
                  "Using default (CAM1)"),
              1);
    EXPECT_TRUE(assembly.isType("assy", true));
    EXPECT_FALSE(assembly.isType("assy", false));
    EXPECT_TRUE(assembly.isType("assy_video", false));

    CVideoResHelper camera = Resolve("CAM2");
    for (long stream : {0L, 1L, 2L, 3L})
        EXPECT_TRUE(camera.getResCameraByStreamID(stream).IsEmpty());
    EXPECT_FALSE(camera.isServerValid());
    EXPECT_TRUE(camera.isType("CAMERA_IP", true));
    EXPECT_FALSE(camera.isType("IP", true));

    // A copy answers like the original; a helper is a snapshot of the cache.
    CVideoResHelper copy = assembly;
    sandbox.WriteResource("ASSY1", "ASSY_VIDEO", "RES_SERVER=SRVLOCAL;RES_CAMERA=CAM2;");
    CVideoResHelper fresh = Resolve("ASSY1", "", 1, true);
    EXPECT_EQ(fresh.getResCamera(), CString("CAM2"));
    EXPECT_EQ(copy.getResCamera(), CString("CAM1"));
    EXPECT_EQ(copy.getServer(), CString("vidhost"));
    copy = fresh;
    EXPECT_EQ(copy.getServer(), self);
}

TEST_F(VideoResHelperTest, CachedResultsExpireOnTheWrappingTickCounter) {
    sandbox.env().SetTickCount(0xFFFFF000u);  // the counter wraps 4096 ms from now
    Resolve("ASSY1");
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 1);
    EXPECT_EQ(sandbox.CountLog(
                  ZRLOG_INFO,
                  "CVideoResHelper::CVideoResHelper(ASSY1) cache refresh interval is 30 seconds"),
              1);

    // Same entry for another case; a decorated name is an entry of its own.
    sandbox.env().AdvanceTime(10000);  // past the wrap, 10 s old
    CVideoResHelper again = Resolve("assy1");
    EXPECT_EQ(again.getServer(), CString("vidhost"));
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 1);
    EXPECT_EQ(sandbox.CountLog(
                  ZRLOG_INFO, "CVideoResHelper::CVideoResHelper(assy1) found video host in map..."),
              1);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, "CVideoResHelper server vidhost is VALID"), 1);
    Resolve("@ASSY1");
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 2);

    // The context's refresh resolves again at once.
    Resolve("ASSY1", "", 1, true);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 3);

    // 29.999 s after that resolution the entry still serves; at 30 s it is resolved again.
    sandbox.env().AdvanceTime(29999);
    Resolve("ASSY1");
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 3);
    sandbox.env().AdvanceTime(1);
    Resolve("ASSY1");
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 4);
}

TEST_F(VideoResHelperTest, RefreshIntervalComesFromTheRegistry) {
    const std::string key = "Software\\Corvent\\ZRMediaComponents\\LocalSettings";
    auto& registry = sandbox.registry();
    uint32_t stored = 0;
    ASSERT_FALSE(registry.QueryDword(key, "VideoResHelperRefreshInterval_ms", &stored));
    Resolve("CAM1");
    ASSERT_TRUE(registry.QueryDword(key, "VideoResHelperRefreshInterval_ms", &stored));
    EXPECT_EQ(stored, 30000u);  // written back when missing
    EXPECT_EQ(CVideoResHelper::m_dwRefreshInterval_ms, 30000u);

    // A short interval is raised to five seconds; the interval is read once per process.
    videotest::CVideoSandbox::ResetCaches();
    registry.SetDword(key, "VideoResHelperRefreshInterval_ms", 1000);
    Resolve("CAM1");
    registry.SetDword(key, "VideoResHelperRefreshInterval_ms", 60000);
    sandbox.env().AdvanceTime(4999);
    Resolve("CAM1");
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 2);
    sandbox.env().AdvanceTime(1);
    Resolve("CAM1");
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 3);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, "cache refresh interval is 5 seconds"), 1);
    EXPECT_EQ(registry.GetDword(key, "VideoResHelperRefreshInterval_ms", 0), 60000u);
}

TEST_F(VideoResHelperTest, LocalHostPerCookieGuardsTheCache) {
    CVideoResHelper first = Resolve("(local)", "WS1", 5);
    EXPECT_EQ(first.getServer(), CString("WS1"));
    EXPECT_EQ(
        sandbox.CountLog(ZRLOG_INFO,
                         "CVideoResHelper::CVideoResHelper((local)) cached local host changed "
                         "from <empty> to WS1 for cookie 0x5 (clearing cache...)"),
        1);
    Resolve("CAM1", "WS1", 5);

    // The same host in another case keeps the cache; an empty host uses the recorded one.
    Resolve("(local)", "ws1", 5);
    CVideoResHelper cached = Resolve("ghost", "", 5);
    EXPECT_EQ(cached.getServer(), CString("ws1"));
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO,
                               "CVideoResHelper() found local host 'ws1' cached for cookie 0x5"),
              1);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 3);

    // Another host for any cookie empties the whole cache, for every name.
    CVideoResHelper moved = Resolve("(local)", " WS2 ", 6);
    EXPECT_EQ(moved.getServer(), CString("WS2"));
    {
        std::lock_guard<std::recursive_mutex> lock(CVideoResHelper::m_cs_ping);
        EXPECT_EQ(CVideoResHelper::m_resMap.size(), 1u);
        EXPECT_EQ(CVideoResHelper::m_localHostMap.at(6), CString("WS2"));
        EXPECT_EQ(CVideoResHelper::m_localHostMap.at(5), CString("ws1"));
    }

    // Callers with different local hosts share the cache but never get each other's
    // local answers; one with the same host reuses the entry.
    EXPECT_EQ(Resolve("(local)", "", 5).getServer(), CString("ws1"));
    EXPECT_EQ(Resolve("(local)", "", 6).getServer(), CString("WS2"));
    EXPECT_EQ(Resolve("(local)", "", 7).getServer(), self);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 7);
    EXPECT_EQ(Resolve("(local)", "", 8).getServer(), self);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO, kCreating), 7);
    EXPECT_EQ(
        sandbox.CountLog(ZRLOG_INFO,
                         "CVideoResHelper::CVideoResHelper((local)) cached local host is <empty>"),
        2);
}

TEST_F(VideoResHelperTest, PingResultsAreCachedUntilRefreshed) {
    EXPECT_TRUE(CVideoResHelper::IsServerReachable("pinghost", false));
    EXPECT_TRUE(CVideoResHelper::IsServerReachable("PingHost", false));
    EXPECT_FALSE(CVideoResHelper::IsServerReachable("nohost", false));
    EXPECT_EQ(sandbox.PingCount(), 2);
    EXPECT_EQ(sandbox.CountLog(ZRLOG_INFO,
                               "VideoResourceHelper::IsServerReachable() pinged 'nohost' and found "
                               "it to be UNREACHABLE"),
              1);

    // The unknown name is resolved again after a refresh of the context, but pinged
    // again only because the context asks for it.
    sandbox.SetReachable("NOHOST");
    EXPECT_FALSE(Resolve("nohost").isLocalServer());
    EXPECT_EQ(Resolve("nohost", "ws9", 1, false).getServer(),
              CString("ws9"));  // cache cleared, ping cached
    EXPECT_EQ(sandbox.PingCount(), 2);
    EXPECT_EQ(Resolve("nohost", "ws9", 1, true).getServer(), CString("nohost"));
    EXPECT_EQ(sandbox.PingCount(), 3);
    EXPECT_TRUE(CVideoResHelper::IsServerReachable("NOHOST", false));
}

// A host name is pinged upper-cased, but an IPv6 zone names an interface, whose name is
// case-sensitive: it is pinged, cached and resolved as given.
TEST_F(VideoResHelperTest, PingKeepsTheCaseOfAZone) {
    const struct {
        const char* host;
        const char* pinged;
    } cases[] = {
        {"fe80::1%lo", "FE80::1%lo/5000"},
        {"fe80::1%LO", "FE80::1%LO/5000"},  // another interface, pinged on its own
        {"Fe80::a%eth0.Vlan", "FE80::A%eth0.Vlan/5000"},
        {"videosrv", "VIDEOSRV/5000"},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        CVideoResHelper::IsServerReachable(c.host, false);
        expected.push_back(c.pinged);
    }
    EXPECT_EQ(sandbox.PingedHosts(), expected);

    sandbox.SetReachable("FE80::2%lo");
    const CVideoResHelper resolved = Resolve("fe80::2%lo", "ws9");
    EXPECT_EQ(resolved.getServer(), CString("fe80::2%lo"));
    EXPECT_FALSE(resolved.isInvalidResource());
}

}  // namespace
