// The site health check on private sites: one instance of every finding and a clean site,
// the age limit and the removal of temporary files of interrupted saves, and the pings.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/Kitroster.h"
#include "catalogue/doctor/SiteDoctor.h"
#include "catalogue/doctor/StaleTempFiles.h"
#include "catalogue/queries/DefaultPasswords.h"
#include "platform/env/FileHelpers.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/zrping/HostResolver.h"
#include "platform/zrping/PingProber.h"
#include "testing/site/TestSite.h"

namespace NResourceItem {
namespace {

using kitroster::testing::CTestSite;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

std::string Sealed(const char* plain) {
    return EncryptPassword(plain).str();
}

// Sealed under a key of another site: the site key file is swapped for the sealing only.
std::string SealedWithOtherKey(CTestSite& site, const char* plain) {
    const std::string keyFile = site.root() + "/other-site.key";
    EXPECT_TRUE(kitroster::WriteFileAtomically(&site.env(), keyFile, std::string(64, '7')).ok());
    const char* before = std::getenv("KITROSTER_SITE_KEY_FILE");
    const std::string saved = before ? before : "";
    setenv("KITROSTER_SITE_KEY_FILE", keyFile.c_str(), 1);
    std::string sealed = Sealed(plain);
    if (before)
        setenv("KITROSTER_SITE_KEY_FILE", saved.c_str(), 1);
    else
        unsetenv("KITROSTER_SITE_KEY_FILE");
    EXPECT_FALSE(sealed.empty());
    return sealed;
}

SDoctorReport Check(CTestSite& site, SDoctorOptions options = {}) {
    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    collection->Load();
    return BuildDoctorReport(collection, &site.env(), options);
}

std::string Join(const std::vector<CString>& ids) {
    std::string text;
    for (const CString& id : ids)
        text += (text.empty() ? "" : ",") + id.str();
    return text;
}

// Every finding of a report as one line of text, by kind.
std::vector<std::string> Describe(const SDoctorReport& r) {
    std::vector<std::string> lines;
    for (const auto& f : r.skippedFiles)
        lines.push_back("skipped " + f.file.str() + ": " + f.reason.str());
    for (const auto& f : r.roomLinks)
        lines.push_back("room " + f.room.str() + ": " + Join(f.errors));
    for (const auto& f : r.assemblyLinks)
        lines.push_back("assembly " + f.assembly.str() + " " + f.property.str() + " " +
                        f.target.str() + (f.missing ? " missing" : " is " + f.actualType.str()));
    for (const auto& f : r.missingReferences)
        lines.push_back("reference " + f.resource.str() + " " + f.property.str() + " " +
                        f.missing.str());
    for (const auto& f : r.duplicateAddresses)
        lines.push_back("shared " + f.property.str() + " " + f.address.str() + ": " +
                        Join(f.cameras));
    for (const auto& f : r.emptyServer)
        lines.push_back("empty server " + f.str());
    for (const auto& f : r.defaultPasswords)
        lines.push_back("default password " + f.resource.str());
    for (const auto& f : r.passwordProblems)
        lines.push_back("password " + f.resource.str() + (f.clear ? " clear" : " does not open"));
    for (const auto& f : r.staleTempFiles)
        lines.push_back("temp " + f.name);
    for (const auto& f : r.malformedAddresses)
        lines.push_back("malformed " + f.resource.str() + " " + f.property.str() + "=" +
                        f.address.str());
    for (const auto& f : r.unreachable)
        lines.push_back("unreachable " + f.host.str() + ": " + Join(f.resources));
    return lines;
}

TEST(SiteDoctorTest, FindsOneOfEveryKindAndNothingOnACleanSite) {
    CTestSite site;
    struct SFile {
        const char* file;
        std::string id, type, conn;
        int schema = 1000;
    };
    const std::string cameraDefault = Sealed(kDefaultCameraPassword);
    const std::string serverDefault = Sealed(kDefaultServerPassword);
    ASSERT_FALSE(cameraDefault.empty());
    const std::string foreign = SealedWithOtherKey(site, "s3cret");
    const SFile clean[] = {
        {"_RES_SRV.zrr", "SRV", "SERVER_MPEG4",
         "SERVER=videosrv;PASSWORD=" + Sealed("s3cret") + ";"},
        {"_RES_REDIR.zrr", "REDIR", "SERVER_MPEG4", "SERVER=SRV;"},
        {"_RES_CAM1.zrr", "CAM1", "CAMERA_IP",
         "IPADDR=10.0.0.1;MAC_ADDR=00-1A-2B-3C-4D-01;PASSWORD=" + Sealed("other") + ";"},
        // No address, the editor's all-zero "unknown" MAC, an empty password: none of them
        // is a finding.
        {"_RES_CAM2.zrr", "CAM2", "CAMERA_IP", "IPADDR=;MAC_ADDR=00-00-00-00-00-00;PASSWORD=;"},
        {"_RES_CAM3.zrr", "CAM3", "CAMERA_IP", "MAC_ADDR=000000000000;"},
        {"_RES_ASSY.zrr", "ASSY", "ASSY_VIDEO", "RES_SERVER=REDIR;RES_CAMERA=cam1;RES_CAMERA2=;"},
        {"_RES_ROOM.zrr", "ROOM", "ROOM_VIDEO", "RES_ASSYLIST=|assy;"},
    };
    for (const SFile& f : clean)
        site.WriteRaw(f.file, CTestSite::ResourceText(f.id, f.type, f.conn, f.schema));
    // A temporary file of a save that is recent is no finding either.
    site.WriteRaw(".~RES_CAM1.zrr.7.1.0badf00d.tmp", "partial");
    SDoctorReport report = Check(site);
    EXPECT_THAT(Describe(report), IsEmpty());
    EXPECT_FALSE(report.HasFindings());

    const SFile broken[] = {
        {"_RES_OLD.zrr", "OLD", "CAMERA_IP", "", 999},
        {"_RES_BADID.zrr", "A/B", "CAMERA_IP", ""},
        // A copy of a resource file under another name.
        {"_RES_CAMMAC2.zrr", "CAMMAC", "CAMERA_IP", "IPADDR=10.0.0.9;MAC_ADDR=001a.2b3c.4d99;"},
        {"_RES_SRVEMPTY.zrr", "SRVEMPTY", "SERVER_LEGACY", "SERVER= ;"},
        {"_RES_SRVDEF.zrr", "SRVDEF", "SERVER_MPEG4", "SERVER=h2;PASSWORD=" + serverDefault + ";"},
        {"_RES_CAMDEF.zrr", "CAMDEF", "CAMERA_IP",
         "IPADDR= 10.0.0.1 ;MAC_ADDR=00:1a:2b:3c:4d:99;PASSWORD=" + cameraDefault + ";"},
        {"_RES_CAMMAC.zrr", "CAMMAC", "CAMERA_IP", "IPADDR=10.0.0.9;MAC_ADDR=001a.2b3c.4d99;"},
        // Both cameras of the assembly are servers' or missing; the room lists a ghost.
        {"_RES_ASSY2.zrr", "ASSY2", "ASSY_VIDEO",
         "RES_SERVER=SRV;RES_CAMERA=GONE;RES_CAMERA2=SRV;"},
        {"_RES_ROOM.zrr", "ROOM", "ROOM_VIDEO", "RES_ASSYLIST=|assy|NOASSY;"},
        // Passwords of any type: clear (a key with blanks is still the PASSWORD), in the
        // sync settings' form, sealed under another key, damaged.
        {"_RES_CLEAR.zrr", "CLEAR", "SOMETHING_ELSE", " password =hunter2;"},
        {"_RES_DOLLAR1.zrr", "DOLLAR1", "CAMERA_IP", "PASSWORD=$1$x;"},
        {"_RES_FOREIGN.zrr", "FOREIGN", "SERVER_MPEG4", "SERVER=h3;PASSWORD=" + foreign + ";"},
        {"_RES_DAMAGED.zrr", "DAMAGED", "CAMERA_IP", "PASSWORD=$kx1$AAAA;"},
    };
    for (const SFile& f : broken)
        site.WriteRaw(f.file, CTestSite::ResourceText(f.id, f.type, f.conn, f.schema));
    report = Check(site);
    EXPECT_THAT(
        Describe(report),
        UnorderedElementsAre(
            "skipped _RES_OLD.zrr: schema 999 instead of 1000",
            "skipped _RES_BADID.zrr: its identifier 'A/B' cannot be part of a file name: the "
            "resource is never saved",
            "skipped _RES_CAMMAC.zrr: 2 files hold the identifier 'CAMMAC'; the catalogue shows "
            "only one of them",
            "skipped _RES_CAMMAC2.zrr: 2 files hold the identifier 'CAMMAC'; the catalogue shows "
            "only one of them",
            "room ROOM: NOASSY does not exist", "assembly ASSY2 RES_CAMERA GONE missing",
            "assembly ASSY2 RES_CAMERA2 SRV is SERVER_MPEG4", "reference ASSY2 RES_CAMERA GONE",
            "reference ROOM RES_ASSYLIST NOASSY", "shared IPADDR 10.0.0.1: CAM1,CAMDEF",
            "shared MAC_ADDR 00:1a:2b:3c:4d:99: CAMDEF,CAMMAC", "empty server SRVEMPTY",
            "default password SRVDEF", "default password CAMDEF", "password CLEAR clear",
            "password DOLLAR1 clear", "password FOREIGN does not open",
            "password DAMAGED does not open"));

    ASSERT_EQ(report.roomLinks.size(), 1u);
    EXPECT_EQ(report.roomLinks[0].message,
              "The following linked resource errors were detected:\nNOASSY does not exist");
    EXPECT_TRUE(report.HasFindings());
}

// The file time of a Unix time, and a file's modification time set to it.
constexpr int64_t kNow = 1700000000;
uint64_t FileTimeOf(int64_t unixSeconds) {
    return static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
}
void SetModified(const std::string& path, int64_t unixSeconds) {
    const timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(SiteDoctorTest, StaleTempFilesByAgeAndFixRemovesOnlyThem) {
    CTestSite site;
    site.env().SetSystemTime(FileTimeOf(kNow));
    const struct {
        const char* name;
        int64_t age;
        bool stale;
    } cases[] = {
        {".~RES_A.zrr.12.0.0badf00d.tmp", 3601, true},
        {".~RES_G.zrr.1.2.deadbeef.tmp", 86400, true},
        {".~RES_B.zrr.12.1.0badf00d.tmp", 3600, false},  // exactly an hour: not yet
        {".~RES_C.zrr.12.2.0badf00d.tmp", -100, false},  // dated in the future
        {".~catalogue.lock", 10000, false},
        {".~notours.tmp", 10000, false},
        {".~RES_D.zrr.12.x.0badf00d.tmp", 10000, false},
        {".~RES_E.zrr.12.3.0BADF00D.tmp", 10000, false},
        {".~.12.3.0badf00d.tmp", 10000, false},
        {"_RES_X.zrr.1.2.deadbeef.tmp", 10000, false},
        {"_RES_KEEP.zrr", 10000, false},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        site.WriteRaw(c.name, c.name[1] == 'R' ? CTestSite::ResourceText("KEEP", "T") : "x");
        SetModified(site.FileIn(c.name), kNow - c.age);
        if (c.stale)
            expected.push_back(std::string("temp ") + c.name);
    }
    ASSERT_EQ(mkdir(site.FileIn(".~RES_F.zrr.1.2.deadbeef.tmp").c_str(), 0700), 0);
    SetModified(site.FileIn(".~RES_F.zrr.1.2.deadbeef.tmp"), kNow - 10000);
    const std::vector<std::string> before = site.Entries();

    SDoctorReport report = Check(site);
    EXPECT_THAT(Describe(report), UnorderedElementsAreArray(expected));
    for (const auto& file : report.staleTempFiles)
        EXPECT_FALSE(file.removed);
    EXPECT_EQ(site.Entries(), before) << "without --fix nothing is removed";

    // With --fix: the stale ones go, one removal failing is reported and stays a finding.
    site.env().FailNth(kitroster::EnvOp::kDeleteFile, 1, kitroster::kErrorAccessDenied, "RES_G");
    SDoctorOptions fix;
    fix.fixTempFiles = true;
    report = Check(site, fix);
    ASSERT_EQ(report.staleTempFiles.size(), 2u);
    std::vector<std::string> left = before;
    for (const auto& file : report.staleTempFiles) {
        const bool isA = file.name == cases[0].name;
        EXPECT_EQ(file.removed, isA) << file.name;
        EXPECT_EQ(file.error.empty(), isA) << file.name;
        if (isA) {
            EXPECT_EQ(file.ageSeconds, 3601u);
        }
        if (file.removed)
            left.erase(std::find(left.begin(), left.end(), file.name));
    }
    EXPECT_EQ(site.Entries(), left);
    EXPECT_TRUE(report.HasFindings());
    report = Check(site, fix);  // the second time the last one goes too
    ASSERT_EQ(report.staleTempFiles.size(), 1u);
    EXPECT_TRUE(report.staleTempFiles[0].removed);
    EXPECT_FALSE(report.HasFindings());

    // The name a real interrupted save leaves (its rename and clean-up both failed).
    site.env().FailNth(kitroster::EnvOp::kMoveFile, 1, kitroster::kErrorAccessDenied);
    site.env().FailNth(kitroster::EnvOp::kDeleteFile, 1, kitroster::kErrorAccessDenied);
    EXPECT_FALSE(kitroster::WriteFileAtomically(&site.env(), site.FileIn("_RES_Z.zrr"), "z").ok());
    int leftovers = 0;
    for (const std::string& name : site.Entries())
        if (name.rfind(".~RES_Z.zrr.", 0) == 0) {
            ++leftovers;
            EXPECT_TRUE(IsSaveTempFileName(name)) << name;
        }
    EXPECT_EQ(leftovers, 1);
}

TEST(SiteDoctorTest, FixRemovesOnlyRegularTemporaryFilesOfTheFolderItself) {
    namespace fs = std::filesystem;
    CTestSite site;
    site.env().SetSystemTime(FileTimeOf(kNow));
    const fs::path root = site.root();
    const char* const kTail = ".zrr.1.2.abcdef01.tmp";
    // Outside the catalogue folder: what a name with backslashes would reach, and a link's
    // target. Both old enough to be stale temporary files themselves.
    fs::create_directories(root / "other" / "SettingsGeneral");
    const fs::path victim = root / "other" / "SettingsGeneral" / (std::string(".~RES_V") + kTail);
    const fs::path target = root / "target.txt";
    for (const fs::path& path : {victim, target}) {
        std::ofstream(path) << "keep";
        SetModified(path.string(), kNow - 10000);
    }
    fs::create_directories(site.FileIn(".~x"));
    const std::string escape = std::string(".~x\\..\\..\\other\\SettingsGeneral\\.~RES_V") + kTail;
    const std::string fifo = std::string(".~RES_P") + kTail;
    const std::string link = std::string(".~RES_L") + kTail;
    const std::string plain = std::string(".~RES_R") + kTail;
    site.WriteRaw(escape, "x");
    ASSERT_EQ(mkfifo(site.FileIn(fifo).c_str(), 0600), 0);
    ASSERT_EQ(symlink(target.c_str(), site.FileIn(link).c_str()), 0);
    site.WriteRaw(plain, "x");
    for (const std::string& name : {escape, fifo, plain})
        SetModified(site.FileIn(name), kNow - 10000);

    const struct {
        std::string name;
        bool removed;
        const char* error;  // part of the reason it stays
    } cases[] = {
        {escape, false, "folder separator"},
        {fifo, false, "not a regular file"},
        {link, false, "symbolic link"},
        {plain, true, ""},
    };
    for (const bool fix : {false, true}) {
        SCOPED_TRACE(fix ? "--fix" : "report only");
        SDoctorOptions options;
        options.fixTempFiles = fix;
        const SDoctorReport report = Check(site, options);
        ASSERT_EQ(report.staleTempFiles.size(), std::size(cases));
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            const auto found =
                std::find_if(report.staleTempFiles.begin(), report.staleTempFiles.end(),
                             [&](const auto& file) { return file.name == c.name; });
            ASSERT_NE(found, report.staleTempFiles.end());
            EXPECT_EQ(found->removed, fix && c.removed);
            EXPECT_EQ(fs::exists(fs::symlink_status(site.FileIn(c.name))), !(fix && c.removed));
            // The escaping name is left alone even without --fix; the others are judged
            // only when removing.
            if (fix || c.name == escape) {
                EXPECT_THAT(found->error, ::testing::HasSubstr(c.error));
            }
        }
        EXPECT_TRUE(report.HasFindings());
        if (!fix)
            continue;
        std::ifstream in(victim);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
        std::ifstream through(target);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(through), {}), "keep");
    }
}

TEST(SiteDoctorTest, PingsEveryHostOnceAtMost32AtOnce) {
    CTestSite site;
    for (int i = 0; i < 100; ++i) {
        const std::string id = "CAM" + std::to_string(i);
        site.WriteRaw(
            "_RES_" + id + ".zrr",
            CTestSite::ResourceText(id, "CAMERA_IP", "IPADDR=10.1.0." + std::to_string(i) + ";"));
    }
    const struct {
        const char* id;
        const char* type;
        const char* conn;
    } others[] = {
        {"CAMV6", "CAMERA_IP", "IPADDR=[fe80::1]:8080;"},
        {"CAMPORT", "CAMERA_IP", "IPADDR=10.1.0.7:81;"},  // the same host as CAM7
        {"SRV1", "SERVER_MPEG4", "SERVER=VideoSrv;"},
        {"SRV2", "SERVER_LEGACY", "SERVER=videosrv;"},  // the same host, other spelling
        {"REDIR", "SERVER_MPEG4", "SERVER=SRV1;"},      // a resource, not a host
        {"LOCAL", "SERVER_MPEG4", "SERVER=(local);"},
        {"ASSY", "ASSY_VIDEO", "RES_SERVER=SRV1;RES_CAMERA=CAM1;"},
    };
    for (const auto& o : others)
        site.WriteRaw(std::string("_RES_") + o.id + ".zrr",
                      CTestSite::ResourceText(o.id, o.type, o.conn));

    // The double answers after a short wait, for every host but those ending in 7, and
    // records how many pings overlapped.
    std::mutex mutex;
    std::multiset<std::string> pinged;
    std::atomic<int> inFlight{0}, maxInFlight{0};
    std::atomic<bool> waitOk{true};
    kitroster::AppServices services;
    services.ping = [&](const char* host, int waitMs) {
        const int now = ++inFlight;
        int seen = maxInFlight.load();
        while (now > seen && !maxInFlight.compare_exchange_weak(seen, now)) {
        }
        waitOk = waitOk && waitMs == 5000;
        {
            std::lock_guard<std::mutex> lock(mutex);
            pinged.insert(host);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        --inFlight;
        const std::string name = host;
        return name.back() != '7';
    };
    CAppServicesOverride override(services);

    SDoctorOptions options;
    options.ping = true;
    int started = 0, lastDone = 0, progressCalls = 0;
    options.onPingStart = [&](int hosts) { started = hosts; };
    options.onPingProgress = [&](int done, int hosts) {
        EXPECT_EQ(hosts, started);
        EXPECT_GT(done, lastDone);
        lastDone = done;
        ++progressCalls;
    };
    const SDoctorReport report = Check(site, options);

    EXPECT_EQ(started, 102);  // 100 cameras, the IPv6 one, one server machine
    EXPECT_EQ(lastDone, 102);
    EXPECT_GE(progressCalls, 1);
    EXPECT_EQ(report.pingedHosts, 102);
    EXPECT_EQ(pinged.size(), 102u) << "each host once";
    EXPECT_EQ(pinged.count("fe80::1"), 1u);
    EXPECT_EQ(pinged.count("10.1.0.7"), 1u);
    EXPECT_EQ(pinged.count("SRV1") + pinged.count("(local)"), 0u);
    EXPECT_TRUE(waitOk);
    EXPECT_LE(maxInFlight.load(), 32);
    EXPECT_GT(maxInFlight.load(), 1) << "the pings run in parallel";

    std::vector<std::string> unreachable;
    for (const auto& host : report.unreachable)
        unreachable.push_back(host.host.str() + ": " + Join(host.resources));
    EXPECT_THAT(unreachable, ElementsAre("10.1.0.17: CAM17", "10.1.0.27: CAM27", "10.1.0.37: CAM37",
                                         "10.1.0.47: CAM47", "10.1.0.57: CAM57", "10.1.0.67: CAM67",
                                         "10.1.0.7: CAM7,CAMPORT", "10.1.0.77: CAM77",
                                         "10.1.0.87: CAM87", "10.1.0.97: CAM97"));
    EXPECT_TRUE(report.HasFindings());
}

// Addresses no host can be read from are listed as malformed and never pinged; the
// well-formed ones beside them are pinged as usual.
TEST(SiteDoctorTest, MalformedAddressesAreListedNotSkippedOrPinged) {
    CTestSite site;
    const struct {
        const char* id;
        const char* type;
        const char* conn;
        const char* pinged;  // the host pinged, or null when the address is malformed
    } cases[] = {
        {"C1", "CAMERA_IP", "IPADDR=\"[::1\";", nullptr},
        {"C2", "CAMERA_IP", "IPADDR=[];", nullptr},
        {"C3", "CAMERA_IP", "IPADDR=:80;", nullptr},
        {"C4", "CAMERA_IP", "IPADDR=\"127.0.0.1 ;rm\";", nullptr},
        {"C5", "CAMERA_IP", "IPADDR=127.0.0.2:http;", nullptr},
        {"C6", "CAMERA_IP", "IPADDR=[::1]x;", nullptr},
        {"C7", "CAMERA_IP", "IPADDR=127.0.0.3:99999;", nullptr},
        {"C8", "CAMERA_IP", "IPADDR=[::2]:8080;", "::2"},
        {"C9", "CAMERA_IP", "IPADDR=127.0.0.4:554;", "127.0.0.4"},
        {"CA", "CAMERA_IP", "IPADDR=fe80::1%lo;", "fe80::1%lo"},
        {"CB", "CAMERA_IP", "IPADDR= ;", "-"},  // no address: nothing to ping or list
        {"S1", "SERVER_MPEG4", "SERVER=rec srv;", nullptr},
        {"S2", "SERVER_MPEG4", "SERVER=REC_SRV2;", "REC_SRV2"},
    };
    std::vector<std::string> expectedMalformed;
    std::vector<std::string> expectedPinged;
    for (const auto& c : cases) {
        site.WriteRaw(std::string("_RES_") + c.id + ".zrr",
                      CTestSite::ResourceText(c.id, c.type, c.conn));
        if (!c.pinged) {
            std::string conn = c.conn;
            conn.erase(conn.size() - 1);  // the trailing ';'
            std::erase(conn, '"');
            const size_t equals = conn.find('=');
            expectedMalformed.push_back("malformed " + std::string(c.id) + " " +
                                        conn.substr(0, equals) + "=" + conn.substr(equals + 1));
        } else if (std::string(c.pinged) != "-") {
            expectedPinged.push_back(c.pinged);
        }
    }
    std::mutex mutex;
    std::vector<std::string> pinged;
    kitroster::AppServices services;
    services.ping = [&](const char* host, int) {
        std::lock_guard<std::mutex> lock(mutex);
        pinged.push_back(host);
        return true;
    };
    CAppServicesOverride override(services);
    SDoctorOptions options;
    options.ping = true;
    const SDoctorReport report = Check(site, options);
    EXPECT_THAT(Describe(report), UnorderedElementsAreArray(expectedMalformed));
    EXPECT_THAT(pinged, UnorderedElementsAreArray(expectedPinged));
    EXPECT_EQ(report.pingedHosts, static_cast<int>(expectedPinged.size()));
    EXPECT_TRUE(report.HasFindings());
}

// Forty servers whose names take a moment each to look up (as /etc/hosts answers while 32
// lookups run at once) all count as answered: slow lookups still in flight are not
// abandoned ones. The real prober runs behind the application object's ping, with a
// resolver double that answers every name with loopback.
TEST(SiteDoctorTest, SlowButSuccessfulLookupsAllCountAsAnswered) {
    CTestSite site;
    constexpr int kServers = 40;
    for (int i = 0; i < kServers; ++i) {
        const std::string id = "SRV" + std::to_string(i);
        site.WriteRaw("_RES_" + id + ".zrr",
                      CTestSite::ResourceText(id, "SERVER_MPEG4",
                                              "SERVER=videosrv" + std::to_string(i) + ";"));
    }
    class CAnswers final : public zrping::IPingProbe {
      public:
        std::string Name() const override { return "answers"; }
        zrping::ProbeResult Probe(const std::vector<zrping::HostAddress>&,
                                  zrping::Clock::time_point) override {
            return zrping::ProbeResult::kAnswered;
        }
    };
    std::vector<std::unique_ptr<zrping::IPingProbe>> probes;
    probes.push_back(std::make_unique<CAnswers>());
    const zrping::CPingProber prober(
        std::move(probes), [](const std::string&, std::vector<zrping::HostAddress>* addresses) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            return zrping::ParseNumericAddress("127.0.0.1", addresses);
        });
    kitroster::AppServices services;
    services.ping = [&prober](const char* host, int waitMs) {
        return prober.IsReachable(host, waitMs);
    };
    CAppServicesOverride override(services);
    SDoctorOptions options;
    options.ping = true;
    options.pingWaitMs = 3000;
    const SDoctorReport report = Check(site, options);
    EXPECT_EQ(report.pingedHosts, kServers);
    EXPECT_THAT(Describe(report), IsEmpty());
    EXPECT_EQ(zrping::AbandonedLookups(), 0);
}

}  // namespace
}  // namespace NResourceItem
