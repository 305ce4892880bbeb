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
#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char ch : arg)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct SResult {
    int code = -1;
    std::string out;
};

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
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(m_dir / "stdout")};
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
    EXPECT_EQ(Run({"sync", "share-test", "two"}).code, 2);
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

}  // namespace
