// The settings synchronisation commands of the kitroster binary: output formats and exit
// codes that scripts depend on.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/apps/kitroster/CliTestSupport.h"
#include <nlohmann/json.hpp>

namespace {

using namespace kitroster_cli_test;
namespace fs = std::filesystem;
using ::testing::HasSubstr;

class SyncCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kitroster-sync-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    SResult Run(const std::vector<std::string>& args, const std::string& input = "") {
        std::ofstream(m_dir / "stdin") << input;
        std::string command = "KITROSTER_LOG=off " + Quote(KITROSTER_BIN) + " --registry " +
                              Quote((m_dir / "registry.db").string());
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        command += " <" + Quote((m_dir / "stdin").string()) + " >" +
                   Quote((m_dir / "stdout").string()) + " 2>/dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(m_dir / "stdout"), {}};
    }
    std::string Path(const std::string& name) { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(SyncCliTest, ManifestWriteAndRead) {
    const std::string path = Path("cat.mfs");
    SResult w = Run({"manifest", "write", path, "--header", "hdr", "--commit"},
                    "alpha\t1\t2\t3\nbeta\t4294967295\t9\t-9\n");
    EXPECT_EQ(w.out, "0x00000000\n");
    EXPECT_EQ(w.code, 0);
    EXPECT_EQ(fs::file_size(path), 3u * 281u);

    SResult r = Run({"manifest", "read", Path("cat.txt"), "--validate"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(
        r.out,
        "result\t0x00000000\nbackup\tno\nheader\thdr\nalpha\t1\t2\t3\nbeta\t4294967295\t9\t-9\n");
    nlohmann::json j = nlohmann::json::parse(Run({"manifest", "read", path, "--json"}).out);
    EXPECT_EQ(j["result"], "0x00000000");
    EXPECT_EQ(j["usedBackup"], false);
    EXPECT_EQ(j["records"][1]["dword"], 4294967295u);
    EXPECT_EQ(j["records"][1]["qword2"], -9);

    SResult empty = Run({"manifest", "write", path}, "");
    EXPECT_EQ(empty.out, "0x00000001\n");
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(Run({"manifest", "write", path}, "x\t1\t2\n").code, 2);
    EXPECT_EQ(Run({"manifest", "write", path}, "x\t-1\t2\t3\n").code, 2);
    SResult missing = Run({"manifest", "read", Path("none.mfs")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.out, HasSubstr("result\t0x80070002"));
    SResult badFolder = Run({"manifest", "write", Path("no/x.mfs")}, "a\t1\t1\t1\n");
    EXPECT_EQ(badFolder.out, "0x80070003\n");
    EXPECT_EQ(badFolder.code, 1);
}

TEST_F(SyncCliTest, ManifestWriteRefusesWhatItCannotStoreWhole) {
    struct Case {
        const char* what;
        std::string target;
        std::string input;
        int code;
        std::string out;  // the result line, when the writer ran
    };
    const std::string name260(260, 'n');
    const Case cases[] = {
        {"260 characters", "cat.mfs", name260 + "\t1\t1\t1\n", 0, "0x00000000\n"},
        {"Windows-1252 text", "cat.mfs", "caf\xC3\xA9 \xE2\x82\xAC\t1\t1\t1\n", 0, "0x00000000\n"},
        {"261 characters", "cat.mfs", name260 + "x\t1\t1\t1\n", 2, ""},
        {"Japanese", "cat.mfs", "\xE3\x83\xA6\xE3\x83\xBC\t1\t1\t1\n", 2, ""},
        {"Cyrillic", "cat.mfs", "\u041Ea\t1\t1\t1\n", 2, ""},
        {"backup name", "site.mf2", "a\t1\t1\t1\n", 1, "0x80070057\n"},
        {"temporary name", "site.mfp", "a\t1\t1\t1\n", 1, "0x80070057\n"},
        {"link name", "site.mfl", "a\t1\t1\t1\n", 1, "0x80070057\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(Path(c.target));
        SResult w = Run({"manifest", "write", Path(c.target)}, c.input);
        EXPECT_EQ(w.code, c.code);
        EXPECT_EQ(w.out, c.out);
        EXPECT_EQ(fs::exists(Path(c.target)), c.code == 0);
        if (c.code == 0) {
            nlohmann::json j =
                nlohmann::json::parse(Run({"manifest", "read", Path(c.target), "--json"}).out);
            EXPECT_EQ(j["records"][0]["name"].get<std::string>() + "\t1\t1\t1\n", c.input);
        }
    }
}

TEST_F(SyncCliTest, SettingsAndChecks) {
    nlohmann::json s = nlohmann::json::parse(Run({"sync", "settings", "--json"}).out);
    EXPECT_EQ(s["CentralServer"], "(local)");
    EXPECT_EQ(s["CommonSettingsSharePassword"], "(set)");
    EXPECT_EQ(s["BackgroundScanningFrequencyInSeconds"], 600);
    EXPECT_EQ(s["SetTimeCommand"], "chronyd -q \"server %s iburst\"");
    EXPECT_EQ(Run({"sync", "migrate"}).out, "RegVer\t1001\n");

    SResult share = Run({"sync", "share-test", "2"});
    EXPECT_EQ(share.out, "0x8004100A\n");
    EXPECT_EQ(share.code, 1);
    // Only the defined tests may be asked for, and at least one.
    for (const char* flags : {"two", "0", "0x0", "0x10", "0x1F", "-1", ""}) {
        SResult bad = Run({"sync", "share-test", flags});
        EXPECT_EQ(bad.code, 2) << flags;
        EXPECT_EQ(bad.out, "") << flags << ": nothing tested";
    }
    nlohmann::json repo = nlohmann::json::parse(Run({"sync", "repo-check"}).out);
    EXPECT_EQ(repo["available"], false);

    SResult exec = Run({"sync", "exec", "sh -c \"exit 3\""});
    EXPECT_EQ(exec.out, "0x00000003\n");
    EXPECT_EQ(exec.code, 1);
    EXPECT_EQ(Run({"sync", "exec", "true"}).code, 0);
    EXPECT_EQ(Run({"sync", "configurator"}).code, 2);
    nlohmann::json c =
        nlohmann::json::parse(Run({"sync", "configurator", "--study-mode", "11", "--json"}).out);
    EXPECT_EQ(c["getStudyMode"], 11);
    EXPECT_THAT(c["localManifestPath"].get<std::string>(), HasSubstr("SettingsSleep_manifest.mfs"));
}

TEST_F(SyncCliTest, TimeSyncSimulation) {
    SResult r =
        Run({"timesync", "simulate", "--offsets", "6000,6000,6000,6000", "--server", "timesrv"});
    std::istringstream lines(r.out);
    std::vector<nlohmann::json> runs;
    for (std::string line; std::getline(lines, line);)
        runs.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0]["run"], 1);
    EXPECT_EQ(runs[0]["offsetMs"], 6000);
    EXPECT_EQ(runs[3]["inconsistent"], true);
    EXPECT_EQ(runs[3]["result"], "0x00000001");
    EXPECT_EQ(runs[3]["history"], nlohmann::json::array({true, true, true}));
    EXPECT_EQ(Run({"timesync", "simulate", "--offsets", "1,x"}).code, 2);
    nlohmann::json status = nlohmann::json::parse(Run({"timesync", "status", "--json"}).out);
    EXPECT_EQ(status["enabled"], false);
    // The machine's own time service is never touched by the tests.
    for (const char* name : {"StopTimeServiceCommand", "StartTimeServiceCommand"})
        Run({"reg", "set", "Software\\Corvent\\ZRSync\\TimeCommands", name, "--sz", "true"});
    EXPECT_EQ(Run({"timesync", "enable"}).code, 1) << "the time server is this machine";
}

// --root replaces the registry's LocalRoot for every command that works below the
// settings root: each command here would read registry-site's files if it ignored it.
TEST_F(SyncCliTest, EverySyncCommandHonoursRoot) {
    for (const char* site : {"root-site", "registry-site"})
        fs::create_directories(m_dir / site / "SettingsGeneral");
    std::ofstream(m_dir / "root-site/SettingsGeneral/zrsync.ini")
        << "[ZRSYNC]\r\nBackgroundScanningFreq=10\r\n";
    std::ofstream(m_dir / "registry-site/SettingsGeneral/zrsync.ini")
        << "[ZRSYNC]\r\nBackgroundScanningFreq=30\r\nCacheBackupEnabled=0\r\n";
    Run({"reg", "set", "Software\\Corvent\\ZRSync\\LocalSettings", "LocalRoot", "--sz",
         Path("registry-site") + "/"});
    const std::string root = Path("root-site");
    const std::string general = root + "/SettingsGeneral";
    struct Case {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> contains;  // in the output
    } cases[] = {
        {{"sync", "import-ini"}, 0, {"\"BackgroundScanningFreq\":10", "\"CacheBackupEnabled\":-1"}},
        {{"sync", "configurator", "--study-mode", "0", "--json"},
         0,
         {"\"localDir\":\"" + general, "\"centralDir\":\"" + general,
          "\"localManifestPath\":\"" + root + "/Settings_manifest.mfs"}},
        {{"sync", "configurator", "Custom", "--json"}, 0, {"\"localDir\":\"" + root + "/Custom"}},
        {{"sync", "repo-check"}, 0, {"\"available\":false"}},
        {{"sync", "share-test", "0x2"}, 1, {"0x8004100A"}},
        {{"sync", "clock-check", general}, 0, {"\"ok\":true"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--root", root};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SResult r = Run(args);
        EXPECT_EQ(r.code, c.code) << c.args[1];
        for (const std::string& part : c.contains)
            EXPECT_THAT(r.out, HasSubstr(part)) << c.args[1];
        EXPECT_THAT(r.out, ::testing::Not(HasSubstr("registry-site"))) << c.args[1];
    }
    nlohmann::json settings = nlohmann::json::parse(Run({"sync", "settings", "--json"}).out);
    EXPECT_EQ(settings["BackgroundScanningFrequencyInSeconds"], 600);
    EXPECT_EQ(settings["CacheBackupEnabled"], 1) << "registry-site's file was not imported";
}

// The default share user "zruser" has no account here: the share test runs as the
// process instead of failing with 0x80070534 (root would otherwise never pass it).
TEST_F(SyncCliTest, ShareTestWithAShareUserUnknownHere) {
    fs::create_directories(m_dir / "unc/srv/Wavelore");
    Run({"reg", "set", "Software\\Corvent\\Utilities\\Kitroster\\Platform", "UNCRoot", "--sz",
         Path("unc")});
    Run({"reg", "set", "Software\\Corvent", "CentralServer", "--sz", "srv"});
    Run({"reg", "set", "Software\\Corvent", "CommonSettingsShareUsername", "--sz", "zruser"});
    for (const char* flags : {"0x1", "0x3", "0x8"}) {
        SResult r = Run({"sync", "share-test", flags});
        EXPECT_EQ(r.out, "0x00000000\n") << flags;
        EXPECT_EQ(r.code, 0) << flags;
    }
    EXPECT_TRUE(fs::is_empty(m_dir / "unc/srv/Wavelore")) << "the probe files are removed";
}

// status and simulate change nothing (simulate --apply keeps only the period); run exits
// 1 when nothing was synchronised.
TEST_F(SyncCliTest, TimeSyncCommandsChangeOnlyWhatTheyAreFor) {
    const std::string key = "Software\\Corvent\\ZRSync";
    const std::string marker = Path("stopped");
    Run({"reg", "set", key + "\\TimeCommands", "StopTimeServiceCommand", "--sz",
         "touch " + marker});
    Run({"reg", "set", key, "TimeServer", "--sz", "timesrv"});
    Run({"reg", "set", key, "NetworkTimeSyncEnabled", "--dword", "1"});
    Run({"reg", "set", key, "NetworkTimeSyncAdaptiveAlgorithmEnabled", "--dword", "1"});
    Run({"sync", "settings"});
    const std::string before = Run({"reg", "export"}).out;

    struct Case {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"timesync", "status", "--json"}, 0},
        {{"timesync", "status"}, 0},
        {{"timesync", "simulate", "--offsets", "40,40,40"}, 0},
    };
    for (const Case& c : cases) {
        SResult r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[1];
        EXPECT_FALSE(fs::exists(marker)) << c.args[1] << ": the time service was stopped";
        EXPECT_EQ(Run({"reg", "export"}).out, before) << c.args[1] << " changed the settings";
    }
    SResult applied = Run({"timesync", "simulate", "--offsets", "40,40,40", "--apply"});
    EXPECT_THAT(applied.out, HasSubstr("adjusting sync period to 4 minutes"));
    EXPECT_EQ(Run({"reg", "get", key, "NetworkTimeSyncPeriodInMinutes"}).out, "4\n");

    Run({"reg", "set", key, "NetworkTimeSyncEnabled", "--dword", "0"});
    SResult run = Run({"timesync", "run"});
    EXPECT_EQ(run.out, "0x00000001\n");
    EXPECT_EQ(run.code, 1) << "nothing was synchronised";
}

}  // namespace
