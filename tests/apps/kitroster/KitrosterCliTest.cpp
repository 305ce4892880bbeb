// Runs the kitroster binary on a private copy of the demo site with a private registry
// file, and checks what it prints, what it leaves on disk and its exit codes.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/apps/kitroster/CliTestSupport.h"

namespace {

using namespace kitroster_cli_test;
namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class KitrosterCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kitroster-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_site = m_dir / "site";
        fs::create_directories(m_site);
        fs::copy(fs::path(KITROSTER_DEMO_SITE) / "SettingsGeneral", m_site / "SettingsGeneral",
                 fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs kitroster with the private registry; with `root`, on the site copy.
    SResult Run(std::initializer_list<std::string> args, bool root = true) {
        return RunArgs(std::vector<std::string>(args), root);
    }
    // The same for a table's argument list; `environment` ("NAME=value ...") comes first.
    SResult RunArgs(const std::vector<std::string>& args, bool root = true,
                    const std::string& environment = "") {
        std::string command = environment + " KITROSTER_LOG=off " + Quote(KITROSTER_BIN) +
                              " --registry " + Quote((m_dir / "registry.db").string());
        if (root)
            command += " --root " + Quote(m_site.string());
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const fs::path out = m_dir / "stdout", err = m_dir / "stderr";
        command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        if (!m_stdin.empty())
            command += " <" + Quote(m_stdin.string());
        const int status = std::system(command.c_str());
        SResult result;
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        return result;
    }

    fs::path ResourceFile(const std::string& id) const {
        return m_site / "SettingsGeneral" / ("_RES_" + id + ".zrr");
    }
    // The value of "FIELD\tvalue" or "CONN.KEY\tvalue" in the output of show.
    std::string Shown(const std::string& id, const std::string& field) {
        for (const std::string& line : Lines(Run({"show", id}).out)) {
            if (line.rfind(field + "\t", 0) == 0)
                return line.substr(field.size() + 1);
        }
        return "<absent>";
    }

    fs::path m_dir;
    fs::path m_site;
    fs::path m_stdin;  // standard input of the command when set
};

TEST_F(KitrosterCliTest, ListShowsRowsAndFiltersByTypeLevelAndPattern) {
    SResult all = Run({"list"});
    EXPECT_EQ(all.code, 0) << all.err;
    const std::vector<std::string> rows = Lines(all.out);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_THAT(all.out, HasSubstr("CAM01\tCAMERA_IP\tBed 1 overview camera\tIPADDR=10.0.0.5;"));
    for (const std::string& row : rows)
        EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 4) << row;

    struct SCase {
        std::vector<std::string> args;
        size_t rows;
    };
    const SCase cases[] = {
        {{"list", "--type", "CAMERA"}, 4},                          // first component
        {{"list", "--type", "camera_ip"}, 4},                       // full type, any case
        {{"list", "--type", "SERVER_MPEG4", "--type", "ROOM"}, 3},  // repeated
        {{"list", "--type", "IP"}, 0},                              // not a level
        {{"list", "--filter", "CAM*;!CAM04"}, 3},
        {{"list", "--filter", "*01"}, 4},
        {{"list", "--filter", "!CAM*"}, 0},
        {{"list", "--type", "ASSY", "--filter", "*2"}, 1},
    };
    for (const SCase& c : cases) {
        SResult r;
        switch (c.args.size()) {
            case 3:
                r = Run({c.args[0], c.args[1], c.args[2]});
                break;
            case 5:
                r = Run({c.args[0], c.args[1], c.args[2], c.args[3], c.args[4]});
                break;
        }
        EXPECT_EQ(r.code, 0) << c.args[2];
        EXPECT_EQ(Lines(r.out).size(), c.rows) << c.args[1] << " " << c.args[2];
    }

    SResult json = Run({"list", "--type", "ASSY_VIDEO", "--json"});
    EXPECT_EQ(json.code, 0);
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0]["type"], "ASSY_VIDEO");
    EXPECT_THAT(parsed[0]["conn"].get<std::string>(), HasSubstr("RES_SERVER=SRV0"));
}

TEST_F(KitrosterCliTest, ListSortsByIdTypeOrNameIgnoringCase) {
    // A server spelt in lower case whose name sorts first only when case is ignored.
    std::string text = ReadFile(ResourceFile("SRV01"));
    text.replace(text.find("{SRV01}"), 7, "{aux}");
    text.replace(text.find("{Video server, east wing}"), 25, "{bed 0 server}");
    std::ofstream(ResourceFile("aux"), std::ios::binary) << text;

    const std::string byId = "ASSY01 ASSY02 aux CAM01 CAM02 CAM03 CAM04 ROOM01 SRV01 SRV02";
    const struct {
        std::vector<std::string> args;
        std::string ids;
    } cases[] = {
        {{"list", "--sort", "id"}, byId},
        {{"list", "--sort", "type"},
         "ASSY01 ASSY02 CAM01 CAM02 CAM03 CAM04 ROOM01 aux SRV01 SRV02"},
        {{"list", "--sort", "name"},
         "aux CAM02 CAM01 ASSY01 CAM04 CAM03 ASSY02 ROOM01 SRV01 SRV02"},
        {{"list", "--sort", "id", "--json"}, byId},
        {{"list", "--sort", "name", "--type", "SERVER", "--filter", "*;!SRV02"}, "aux SRV01"},
    };
    for (const auto& c : cases) {
        const SResult r = RunArgs(c.args);
        EXPECT_EQ(r.code, 0) << r.err;
        std::string ids;
        if (r.out.rfind("[", 0) == 0) {
            for (const auto& row : nlohmann::json::parse(r.out))
                ids += (ids.empty() ? "" : " ") + row["id"].get<std::string>();
        } else {
            for (const std::string& line : Lines(r.out))
                ids += (ids.empty() ? "" : " ") + line.substr(0, line.find('\t'));
        }
        EXPECT_EQ(ids, c.ids) << c.args[2];
    }
    EXPECT_EQ(Lines(Run({"list"}).out).size(), 10u);  // unsorted: every row still there
    EXPECT_EQ(Run({"list", "--sort", "size"}).code, 2);
}

TEST_F(KitrosterCliTest, GraphDrawsTheSiteAsDotOrSvg) {
    const SResult all = Run({"graph"});
    EXPECT_EQ(all.code, 0) << all.err;
    for (const char* edge : {"\"ROOM01\" -> \"ASSY01\" [label=\"RES_ASSYLIST\"",
                             "\"ASSY01\" -> \"SRV01\" [label=\"RES_SERVER\"",
                             "\"ASSY02\" -> \"CAM04\" [label=\"RES_CAMERA2\""})
        EXPECT_THAT(all.out, HasSubstr(edge));
    EXPECT_THAT(all.out, Not(HasSubstr("red")));  // the demo site's links are sound
    EXPECT_EQ(Run({"graph"}).out, all.out);

    const SResult one = Run({"graph", "assy01"});
    EXPECT_THAT(one.out, HasSubstr("\"ASSY01\" -> \"CAM02\""));
    EXPECT_THAT(one.out, Not(HasSubstr("ROOM01")));
    EXPECT_THAT(one.out, Not(HasSubstr("ASSY02")));
    const SResult unknown = Run({"graph", "ASSY01", "NOPE"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_THAT(unknown.err, HasSubstr("NOPE does not exist"));
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(Run({"graph", "--format", "png"}).code, 2);

    ASSERT_EQ(Run({"set", "ASSY02", "--conn-prop", "RES_CAMERA=SRV01"}).code, 0);
    EXPECT_THAT(Run({"graph"}).out,
                HasSubstr("\"ASSY02\" -> \"SRV01\" [color=red, fontcolor=\"#c62828\", "
                          "penwidth=2, label=\"RES_CAMERA\\nASSY02 : SRV01 is not of type "
                          "CAMERA_IP\""));

    // The SVG goes through temporary files; the folder they use is left clean.
    const fs::path temp = m_dir / "tmp";
    fs::create_directories(temp);
    const std::string tmpdir = "TMPDIR=" + Quote(temp.string());
    const SResult noDot =
        RunArgs({"graph", "--format", "svg"}, true, tmpdir + " PATH=/nonexistent");
    EXPECT_EQ(noDot.code, 1);
    EXPECT_THAT(noDot.err, HasSubstr("'dot' program is not installed"));
    if (std::system("command -v dot >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Graphviz is not installed";
    const fs::path picture = m_dir / "site.svg";
    const SResult svg =
        RunArgs({"graph", "--format", "svg", "--output", picture.string()}, true, tmpdir);
    EXPECT_EQ(svg.code, 0) << svg.err;
    EXPECT_EQ(svg.out, "");
    EXPECT_THAT(ReadFile(picture), HasSubstr("<svg"));
    EXPECT_THAT(ReadFile(picture), HasSubstr("ROOM01"));
    EXPECT_THAT(RunArgs({"graph", "--format", "svg"}, true, tmpdir).out, HasSubstr("<svg"));
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(KitrosterCliTest, ShowDepsAndSearch) {
    SResult show = Run({"show", "cam01"});
    EXPECT_EQ(show.code, 0);
    EXPECT_THAT(show.out, HasSubstr("ID\tCAM01\n"));
    EXPECT_THAT(show.out, HasSubstr("CONN.PORT\t8080\n"));
    EXPECT_THAT(show.out, HasSubstr("CAPS.GENERIC\tPTZ\n"));
    const nlohmann::json parsed = nlohmann::json::parse(Run({"show", "ASSY01", "--json"}).out);
    EXPECT_EQ(parsed["connProperties"]["RES_CAMERA2"], "CAM02");

    SResult unknown = Run({"show", "NOPE"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_THAT(unknown.err, HasSubstr("NOPE does not exist"));

    EXPECT_EQ(Run({"deps", "SRV01"}).out, "ASSY01\n");
    EXPECT_EQ(Run({"deps", "cam04"}).out, "ASSY02\n");
    EXPECT_EQ(Run({"deps", "ASSY02"}).out, "ROOM01\n");
    SResult none = Run({"deps", "ROOM01"});
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_THAT(none.err, HasSubstr("No other resources appear to depend on ROOM01."));
    EXPECT_EQ(Run({"deps", "NOPE"}).code, 1);

    EXPECT_EQ(Run({"search", "10.0.0.5"}).out, "CAM01\n");
    EXPECT_EQ(Lines(Run({"search", "*;!192.168.*"}).out).size(), 7u);
    SResult nothing = Run({"search", "!10.0.0.5"});
    EXPECT_EQ(nothing.code, 0);
    EXPECT_EQ(nothing.out, "");
    EXPECT_THAT(nothing.err, HasSubstr("No resources found to have configuration properties "
                                       "matching the specified criteria: '!10.0.0.5'."));
}

TEST_F(KitrosterCliTest, CheckLinksPrintsTheRoomChecksMessage) {
    SResult ok = Run({"check-links", "room01"});
    EXPECT_EQ(ok.code, 0) << ok.err;
    EXPECT_EQ(ok.out, "Linked resources appear to be OK!\n");

    ASSERT_EQ(Run({"set", "ASSY02", "--conn-prop", "RES_CAMERA=SRV01"}).code, 0);
    ASSERT_EQ(Run({"set", "ROOM01", "--conn-prop", "RES_ASSYLIST=|ASSY02|GONE"}).code, 0);
    SResult broken = Run({"check-links", "ROOM01"});
    EXPECT_EQ(broken.code, 1);
    EXPECT_EQ(broken.out,
              "The following linked resource errors were detected:\n"
              "ASSY02 : SRV01 is not of type CAMERA_IP\nGONE does not exist\n");

    ASSERT_EQ(Run({"set", "ROOM01", "--conn-prop", "RES_ASSYLIST="}).code, 0);
    EXPECT_EQ(Run({"check-links", "ROOM01"}).out,
              "No video assemblies have been assigned to this room resource!\n");

    SResult unknown = Run({"check-links", "NOPE"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_THAT(unknown.err, HasSubstr("NOPE does not exist"));
    SResult notRoom = Run({"check-links", "ASSY01"});
    EXPECT_EQ(notRoom.code, 1);
    EXPECT_THAT(notRoom.err, HasSubstr("'ASSY01' is not a room resource (type 'ASSY_VIDEO')"));
    EXPECT_EQ(notRoom.out, "");
}

TEST_F(KitrosterCliTest, AddChecksLikeTheEditDialogThenWritesTheFile) {
    // The rules themselves are tested with the edit rules; here one refusal shows that the
    // command applies them and changes nothing.
    SResult refused = Run({"add", "CAM01", "CAMERA_IP", "--name", "x"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err, HasSubstr("This resource id 'CAM01' already exists."));
    EXPECT_EQ(Lines(Run({"list"}).out).size(), 9u);  // nothing was added

    SResult added = Run({"add", "cam05", "CAMERA_IP", "--name", " Caf\xc3\xa9 camera ", "--conn",
                         "IPADDR=10.0.0.9;PORT=80;"});
    EXPECT_EQ(added.code, 0) << added.err;
    // The file is the catalogue's six CR LF lines, the name in Windows-1252.
    EXPECT_EQ(ReadFile(ResourceFile("CAM05")),
              "<SCMA> {1000}\r\n<ID> {CAM05}\r\n<TYPE> {CAMERA_IP}\r\n<NAME> {Caf\xe9 camera}\r\n"
              "<CONN> {IPADDR=10.0.0.9;PORT=80;}\r\n<CAPS> {}\r\n");
    EXPECT_EQ(Shown("CAM05", "NAME"), "Caf\xc3\xa9 camera");
}

TEST_F(KitrosterCliTest, RenameChecksThenRewritesReferences) {
    SResult refused = Run({"rename", "CAM01", "CAM02"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err, HasSubstr("The resource name 'CAM02' already exists!"));
    EXPECT_THAT(Run({"rename", "CAM01", ""}).err, HasSubstr("Resource ID cannot be empty!"));
    EXPECT_THAT(Run({"rename", "NOPE", "CAM09"}).err, HasSubstr("NOPE does not exist"));

    // The old identifier may be typed in any case; references still follow.
    SResult renamed = Run({"rename", "cam01", "cam09"});
    EXPECT_EQ(renamed.code, 0) << renamed.err;
    EXPECT_FALSE(fs::exists(ResourceFile("CAM01")));
    EXPECT_TRUE(fs::exists(ResourceFile("CAM09")));
    EXPECT_EQ(Shown("ASSY01", "CONN.RES_CAMERA"), "CAM09");

    EXPECT_EQ(Run({"rename", "ASSY02", "ASSY07"}).code, 0);
    EXPECT_EQ(Shown("ROOM01", "CONN.RES_ASSYLIST"), "|ASSY01|ASSY07");

    EXPECT_EQ(Run({"rename", "CAM02", "CAM08", "--keep-references"}).code, 0);
    EXPECT_EQ(Shown("ASSY01", "CONN.RES_CAMERA2"), "CAM02");
}

// A rename killed after writing the new file: the rerun and doctor --fix finish it; a
// resource that merely has the new identifier still refuses the rename.
TEST_F(KitrosterCliTest, AKilledRenameIsFinishedByItsRerunOrByDoctorFix) {
    // What the killed rename left: the old resource's copy under the new identifier, written
    // after the old file; the references still name the old one.
    auto leaveCopy = [&](const std::string& from, const std::string& to,
                         const std::string& rename = "", const std::string& as = "") {
        std::string text = ReadFile(ResourceFile(from));
        text.replace(text.find("{" + from + "}"), from.size() + 2, "{" + to + "}");
        if (!rename.empty())
            text.replace(text.find(rename), rename.size(), as);
        std::ofstream(ResourceFile(to), std::ios::binary) << text;
        fs::last_write_time(ResourceFile(to),
                            fs::last_write_time(ResourceFile(from)) + std::chrono::hours(1));
    };

    leaveCopy("CAM01", "CAMZ", "Bed 1 overview", "Bed 2 overview");
    SResult clash = Run({"rename", "CAM01", "CAMZ"});
    EXPECT_EQ(clash.code, 1);
    EXPECT_THAT(clash.err, HasSubstr("The resource name 'CAMZ' already exists!"));
    fs::remove(ResourceFile("CAMZ"));

    leaveCopy("CAM01", "CAMX");
    SResult found = Run({"doctor"});
    EXPECT_EQ(found.code, 1);
    EXPECT_THAT(found.out, HasSubstr("Renames left half done by an interrupted process (1):\n"
                                     "  CAM01 to CAMX: 1 resource(s) still refer to CAM01, 0 to "
                                     "CAMX\n"));
    EXPECT_TRUE(fs::exists(ResourceFile("CAM01")));  // doctor without --fix changes nothing

    SResult rerun = Run({"rename", "CAM01", "CAMX"});
    EXPECT_EQ(rerun.code, 0) << rerun.err;
    EXPECT_THAT(rerun.err, HasSubstr("finishing the interrupted rename of CAM01 to CAMX"));
    EXPECT_FALSE(fs::exists(ResourceFile("CAM01")));
    EXPECT_EQ(Shown("ASSY01", "CONN.RES_CAMERA"), "CAMX");

    leaveCopy("CAM02", "CAMW");
    SResult fixed = Run({"doctor", "--fix", "--json"});
    EXPECT_EQ(fixed.code, 0) << fixed.out << fixed.err;
    const nlohmann::json renames = nlohmann::json::parse(fixed.out)["unfinishedRenames"];
    ASSERT_EQ(renames.size(), 1u);
    EXPECT_EQ(renames[0]["old"], "CAM02");
    EXPECT_EQ(renames[0]["new"], "CAMW");
    EXPECT_EQ(renames[0]["finished"], true);
    EXPECT_FALSE(fs::exists(ResourceFile("CAM02")));
    EXPECT_EQ(Shown("ASSY01", "CONN.RES_CAMERA2"), "CAMW");
    EXPECT_EQ(Run({"doctor"}).code, 0);
}

TEST_F(KitrosterCliTest, SetChangesFieldsAndPropertiesThroughTheFacade) {
    SResult set =
        Run({"set", "CAM01", "--name", "Bed 1 wide", "--conn-prop", "PORT=9090", "--conn-prop",
             "NOTE=a=b;c", "--del-conn-prop", "show_ptz", "--caps-prop", "GENERIC=PTZ,ZOOM"});
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(Shown("CAM01", "NAME"), "Bed 1 wide");
    EXPECT_EQ(Shown("CAM01", "CONN.PORT"), "9090");
    EXPECT_EQ(Shown("CAM01", "CONN.NOTE"), "a=b;c");
    EXPECT_EQ(Shown("CAM01", "CONN.SHOW_PTZ"), "<absent>");
    EXPECT_EQ(Shown("CAM01", "CAPS.GENERIC"), "PTZ,ZOOM");
    EXPECT_EQ(Shown("CAM01", "CONN.IPADDR"), "10.0.0.5");

    struct SCase {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const SCase refusals[] = {
        {{"--name", "a{b"}, 1, "for 'Name'"},
        {{"--conn-prop", "K=\"q\""}, 1, "double quotes"},
        {{"--del-conn-prop", "NOPE"}, 1, "no connectivity property 'NOPE'"},
        {{"--conn-prop", "NOEQUALS"}, 2, "KEY=VALUE"},
        {{}, 2, "nothing to change"},
    };
    const std::string before = ReadFile(ResourceFile("CAM01"));
    for (const SCase& c : refusals) {
        SResult r =
            c.args.empty() ? Run({"set", "CAM01"}) : Run({"set", "CAM01", c.args[0], c.args[1]});
        EXPECT_EQ(r.code, c.code) << c.message;
        EXPECT_THAT(r.err, HasSubstr(c.message));
    }
    EXPECT_EQ(ReadFile(ResourceFile("CAM01")), before);
    EXPECT_EQ(Run({"set", "NOPE", "--name", "x"}).code, 1);
}

TEST_F(KitrosterCliTest, PasswordsAreStoredOnlySealed) {
    SResult clear = Run({"set", "CAM01", "--conn-prop", "password=secret"});
    EXPECT_EQ(clear.code, 2);
    EXPECT_THAT(clear.err, HasSubstr("--password"));
    EXPECT_THAT(ReadFile(ResourceFile("CAM01")), Not(HasSubstr("secret")));

    // The password comes from standard input (here a pipe, so no prompt is shown).
    const std::string command = "printf 'pa55word\\n' | KITROSTER_LOG=off " + Quote(KITROSTER_BIN) +
                                " --registry " + Quote((m_dir / "registry.db").string()) +
                                " --root " + Quote(m_site.string()) + " set SRV01 --password";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string stored = ReadFile(ResourceFile("SRV01"));
    EXPECT_THAT(stored, Not(HasSubstr("pa55word")));
    EXPECT_THAT(stored, HasSubstr("PASSWORD=$kx1$"));
    SResult resolved = Run({"resolve", "SRV01", "--show-password", "--json"});
    EXPECT_THAT(resolved.out, HasSubstr("pa55word"));

    // Every door takes the same rule: keys are read trimmed and in any case, as the
    // property bag reads them; only text sealed with this site's key gets in.
    struct SCase {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const SCase doors[] = {
        {{"set", "CAM01", "--conn-prop", " PASSWORD=hunter2"}, 2, "--password"},
        {{"set", "CAM01", "--conn-prop", "Password\t=hunter2"}, 2, "--password"},
        {{"set", "CAM01", "--conn", "IPADDR=10.0.0.5;PASSWORD=hunter2;"}, 2, "--password"},
        {{"set", "CAM01", "--conn", "IPADDR=10.0.0.5; password =hunter2;"}, 2, "--password"},
        {{"add", "CAM09", "CAMERA_IP", "--conn", "PassWord=hunter2;"}, 2, "--password"},
        {{"set", "CAM01", "--conn", "PASSWORD=$kx1$hunter2;"}, 1, "does not open"},
        {{"add", "CAM09", "CAMERA_IP", "--conn", "PASSWORD=$kx1$AAAA;"}, 1, "does not open"},
    };
    const std::string cam01 = ReadFile(ResourceFile("CAM01"));
    for (const SCase& c : doors) {
        SResult r = RunArgs(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.back() << ": " << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args.back();
    }
    EXPECT_EQ(ReadFile(ResourceFile("CAM01")), cam01);
    EXPECT_FALSE(fs::exists(ResourceFile("CAM09")));

    // Text sealed here, as show prints it, may be copied to another resource.
    const std::string conn = Shown("SRV01", "CONN");
    SResult copied = Run({"set", "SRV02", "--conn", conn});
    EXPECT_EQ(copied.code, 0) << copied.err;
    EXPECT_EQ(Shown("SRV02", "CONN"), conn);
}

// Text the catalogue's code page cannot hold is refused by every command, with the
// import's message, never stored with '?' in its place; text it can hold is stored.
TEST_F(KitrosterCliTest, TextWindows1252CannotHoldIsRefusedEverywhere) {
    const std::string user = "\xe3\x83\xa6\xe3\x83\xbc\xe3\x82\xb6\xe3\x83\xbc";  // katakana
    const std::string camera =
        "\xd0\x9a"
        "a\xd0\xbc\xd0\xb5\xd1\x80\xd0\xb0";  // Cyrillic
    const char* kMessage = "holds a character Windows-1252 does not have";
    const std::vector<std::vector<std::string>> refused = {
        {"set", "CAM01", "--conn-prop", "USERNAME=" + user},
        {"set", "CAM01", "--name", camera},
        {"set", "CAM01", "--conn", "USERNAME=" + user + ";"},
        {"set", "CAM01", "--caps-prop", "NOTE=" + camera},
        {"set", "CAM01", "--del-conn-prop", user},
        {"add", "CAM09", "CAMERA_IP", "--name", camera},
        {"add", "CAM09", "CAMERA_" + user},
        {"rename", "CAM01", "CAM" + user},
        {"show", "CAM" + user},
        {"search", camera},
        {"reg", "set", "Software\\Test", "Name", "--sz", user},
    };
    const std::string cam01 = ReadFile(ResourceFile("CAM01"));
    for (const std::vector<std::string>& args : refused) {
        SResult r = RunArgs(args);
        EXPECT_EQ(r.code, 1) << args[0] << " " << args.back() << ": " << r.err;
        EXPECT_THAT(r.err, HasSubstr(kMessage)) << args[0] << " " << args.back();
    }
    SResult root = RunArgs({"--root", "/tmp/" + user, "list"}, false);
    EXPECT_EQ(root.code, 1);
    EXPECT_THAT(root.err, HasSubstr(kMessage));
    EXPECT_EQ(ReadFile(ResourceFile("CAM01")), cam01);
    EXPECT_FALSE(fs::exists(ResourceFile("CAM09")));

    // e acute and the euro sign are in the code page: stored in it, shown as UTF-8.
    SResult held = Run({"set", "CAM01", "--name", "Cam\xc3\xa9ra \xe2\x82\xac", "--conn-prop",
                        "USERNAME=Ren\xc3\xa9"});
    EXPECT_EQ(held.code, 0) << held.err;
    EXPECT_THAT(ReadFile(ResourceFile("CAM01")), HasSubstr("<NAME> {Cam\xe9ra \x80}"));
    EXPECT_EQ(Shown("CAM01", "CONN.USERNAME"), "Ren\xc3\xa9");
}

// Standard input is read to the same 64 MiB limit as a file.
TEST_F(KitrosterCliTest, ImportFromStandardInputStopsAt64MiB) {
    for (const auto& [bytes, code, message] :
         {std::tuple<long, int, const char*>{64L << 20, 1, "nothing imported"},
          {(64L << 20) + 1, 1, "standard input holds more than 64 MiB"}}) {
        const std::string command =
            "head -c " + std::to_string(bytes) + " /dev/zero | tr '\\0' x | KITROSTER_LOG=off " +
            Quote(KITROSTER_BIN) + " --registry " + Quote((m_dir / "registry.db").string()) +
            " --root " + Quote(m_site.string()) + " import - --format csv 2>" +
            Quote((m_dir / "stderr").string());
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, code) << bytes;
        EXPECT_THAT(ReadFile(m_dir / "stderr"), HasSubstr(message)) << bytes;
    }
}

TEST_F(KitrosterCliTest, DeleteRemovesTheFile) {
    SResult deleted = Run({"delete", "cam04"});
    EXPECT_EQ(deleted.code, 0);
    EXPECT_THAT(deleted.err, HasSubstr("CAM04 is still referred to by ASSY02"));
    EXPECT_FALSE(fs::exists(ResourceFile("CAM04")));
    EXPECT_EQ(Lines(Run({"list"}).out).size(), 8u);
    SResult unknown = Run({"delete", "CAM04"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_THAT(unknown.err, HasSubstr("CAM04 does not exist"));
}

TEST_F(KitrosterCliTest, AFileThatCannotBeReplacedFailsTheCommand) {
    // A read-only resource file cannot be replaced, even by root.
    fs::permissions(ResourceFile("CAM01"),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    SResult set = Run({"set", "CAM01", "--name", "Renamed"});
    EXPECT_EQ(set.code, 1);
    EXPECT_THAT(set.err, HasSubstr("could not be saved"));
    EXPECT_THAT(Run({"show", "CAM01"}).out, Not(HasSubstr("Renamed")));
}

TEST_F(KitrosterCliTest, UsageErrorsExitTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"list", "--bogus"},
             {"show"},
             {"rename", "A"},
             {"reg", "set", "K", "N"},
             {"reg", "set", "K", "N", "--sz", "a", "--dword", "1"},
             {"reg", "set", "K", "N", "--dword", "12x"},
             {"reg"},
             {"search", "  "},
             {"check-links"}}) {
        SResult r;
        switch (args.size()) {
            case 0:
                r = Run({});
                break;
            case 1:
                r = Run({args[0]});
                break;
            case 2:
                r = Run({args[0], args[1]});
                break;
            case 4:
                r = Run({args[0], args[1], args[2], args[3]});
                break;
            case 6:
                r = Run({args[0], args[1], args[2], args[3], args[4], args[5]});
                break;
            case 8:
                r = Run({args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7]});
                break;
        }
        EXPECT_EQ(r.code, 2) << (args.empty() ? "" : args[0]) << " " << args.size();
    }
    EXPECT_EQ(Run({"--help"}).code, 0);
}

TEST_F(KitrosterCliTest, SkippedAndTakenFilesAreNamedAndNeverOverwritten) {
    const std::string newer =
        "<SCMA> {1001}\r\n<ID> {NEWER}\r\n<TYPE> {CAMERA_IP}\r\n<NAME> {}\r\n<CONN> {}\r\n"
        "<CAPS> {}\r\n";
    std::ofstream(ResourceFile("NEWER"), std::ios::binary) << newer;
    std::ofstream(ResourceFile("NOID"), std::ios::binary) << "<SCMA> {1000}\r<ID> {NOID}\r";
    std::ofstream(ResourceFile("NEWCAM"), std::ios::binary)
        << "<SCMA> {1000}\r\n<ID> {IMPORTANT}\r\n<TYPE> {CAMERA_IP}\r\n";
    SResult list = Run({"list"});
    EXPECT_EQ(list.code, 1);
    EXPECT_EQ(Lines(list.out).size(), 10u);
    EXPECT_THAT(list.err, HasSubstr("_RES_NEWER.zrr"));
    EXPECT_THAT(list.err, HasSubstr("_RES_NOID.zrr"));

    // A change that does not touch them goes through, with the warning.
    SResult other = Run({"add", "OTHER", "CAMERA_IP"});
    EXPECT_EQ(other.code, 0) << other.err;
    EXPECT_THAT(other.err, HasSubstr("_RES_NEWER.zrr"));
    // One that would overwrite them is refused, naming the file (and what it holds).
    SResult add = Run({"add", "NEWER", "CAMERA_IP"});
    EXPECT_EQ(add.code, 1);
    EXPECT_THAT(add.err, HasSubstr("its file _RES_NEWER.zrr could not be read"));
    EXPECT_EQ(ReadFile(ResourceFile("NEWER")), newer);
    SResult taken = Run({"rename", "CAM01", "NEWCAM"});
    EXPECT_EQ(taken.code, 1);
    EXPECT_THAT(taken.err, HasSubstr("its file _RES_NEWCAM.zrr holds the resource IMPORTANT"));
    EXPECT_TRUE(fs::exists(ResourceFile("CAM01")));
}

TEST_F(KitrosterCliTest, ParallelWritersLoseNothingSilently) {
    // Every command that reports success has its change kept.
    const int kWriters = 24;
    std::string script;
    for (int i = 0; i < kWriters; ++i) {
        script += "(KITROSTER_LOG=off " + Quote(KITROSTER_BIN) + " --registry " +
                  Quote((m_dir / "registry.db").string()) + " --root " + Quote(m_site.string()) +
                  " set CAM01 --conn-prop K" + std::to_string(i) + "=v >/dev/null 2>&1; echo $? >" +
                  Quote((m_dir / ("rc" + std::to_string(i))).string()) + ") &\n";
    }
    script += "wait\n";
    ASSERT_EQ(std::system(("sh -c " + Quote(script)).c_str()), 0);
    int succeeded = 0;
    int kept = 0;
    for (int i = 0; i < kWriters; ++i) {
        const bool ok = ReadFile(m_dir / ("rc" + std::to_string(i))) == "0\n";
        succeeded += ok;
        const bool present = Shown("CAM01", "CONN.K" + std::to_string(i)) == "v";
        kept += present;
        EXPECT_EQ(ok, present) << "writer " << i;
    }
    EXPECT_EQ(succeeded, kWriters) << "the lock lets every writer take its turn";
    EXPECT_EQ(kept, succeeded);
}

TEST_F(KitrosterCliTest, ARenameThatCannotWriteEveryFileWritesNone) {
    const fs::path referrer = ResourceFile("ASSY01");
    std::vector<std::pair<fs::path, std::string>> before;
    for (const auto& entry : fs::directory_iterator(m_site / "SettingsGeneral"))
        before.emplace_back(entry.path(), ReadFile(entry.path()));
    fs::permissions(referrer,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    SResult renamed = Run({"rename", "CAM01", "CAM09"});
    EXPECT_EQ(renamed.code, 1);
    EXPECT_THAT(renamed.err, HasSubstr("_RES_ASSY01.zrr"));
    EXPECT_FALSE(fs::exists(ResourceFile("CAM09")));
    for (const auto& [path, text] : before)
        EXPECT_EQ(ReadFile(path), text) << path;
    // Once the referrer can be written, the same rename goes through.
    fs::permissions(referrer, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Run({"rename", "CAM01", "CAM09"}).code, 0);
    EXPECT_EQ(Shown("ASSY01", "CONN.RES_CAMERA"), "CAM09");
}

TEST_F(KitrosterCliTest, RegistryCommandsAndTheSettingsRootFromTheRegistry) {
    const std::string key = "Software\\Corvent\\ZRSync\\LocalSettings";
    EXPECT_EQ(Run({"reg", "set", key, "LocalRoot", "--sz", m_site.string() + "/"}, false).code, 0);
    EXPECT_EQ(Run({"reg", "get", key, "localroot"}, false).out, m_site.string() + "/\n");
    EXPECT_EQ(Lines(Run({"list"}, false).out).size(), 9u);  // no --root: the registry's root

    EXPECT_EQ(Run({"reg", "set", "Software\\Test", "Count", "--dword", "0x10"}).code, 0);
    EXPECT_EQ(Run({"reg", "get", "Software\\Test", "Count"}).out, "16\n");
    SResult missing = Run({"reg", "get", "Software\\Test", "Nope"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, "");

    SResult exported = Run({"reg", "export", "Software\\Test"});
    EXPECT_EQ(exported.code, 0);
    EXPECT_THAT(exported.out, HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\Test]"));
    EXPECT_THAT(exported.out, Not(HasSubstr("LocalRoot")));

    const fs::path file = m_dir / "seed.reg";
    std::ofstream(file)
        << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Seeded]\n\"Greeting\"=\"hello\"\n";
    EXPECT_EQ(Run({"reg", "import", file.string()}).code, 0);
    EXPECT_EQ(Run({"reg", "get", "Software\\Seeded", "Greeting"}).out, "hello\n");
    std::ofstream(file) << "this is not a registry file\n";
    EXPECT_EQ(Run({"reg", "import", file.string()}).code, 1);
    EXPECT_EQ(Run({"reg", "import", (m_dir / "absent.reg").string()}).code, 1);
}

// The reg commands never pass off a store they could not use as its content: a locked,
// damaged or non-file store is an error, and a locked one costs each command one wait.
TEST_F(KitrosterCliTest, RegistryCommandsReportAStoreTheyCannotUse) {
    const fs::path store = m_dir / "registry.db";
    ASSERT_EQ(Run({"reg", "set", "Software\\Test", "Count", "--dword", "1"}).code, 0);
    const fs::path seed = m_dir / "seed.reg";
    std::ofstream(seed) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Seeded]\n\"G\"=\"hello\"\n";
    const std::vector<std::string> commands = {"reg get 'Software\\Test' Count", "reg export",
                                               "reg set 'Software\\Test' Count --dword 2",
                                               "reg import " + Quote(seed.string())};

    // Runs every command at once (with logging as configured, which reads the store too);
    // returns their results and the seconds all of them took.
    auto runAll = [&](double* seconds) {
        std::string script;
        for (size_t i = 0; i < commands.size(); ++i) {
            const std::string n = (m_dir / std::to_string(i)).string();
            script += "(" + Quote(KITROSTER_BIN) + " --registry " + Quote(store.string()) + " " +
                      commands[i] + " >" + Quote(n + ".out") + " 2>" + Quote(n + ".err") +
                      "; echo $? >" + Quote(n + ".rc") + ") & ";
        }
        script += "wait";
        const auto start = std::chrono::steady_clock::now();
        std::system(script.c_str());
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::vector<SResult> results(commands.size());
        for (size_t i = 0; i < commands.size(); ++i) {
            const std::string n = (m_dir / std::to_string(i)).string();
            results[i].code = std::atoi(ReadFile(n + ".rc").c_str());
            results[i].out = ReadFile(n + ".out");
            results[i].err = ReadFile(n + ".err");
        }
        return results;
    };

    {
        // Held as SQLite's exclusive lock is: the pending byte, then the reserved and shared
        // bytes. fcntl locks are the process's, so only the children meet it.
        const int fd = open(store.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0x40000000;
        lock.l_len = 512;
        ASSERT_EQ(fcntl(fd, F_SETLK, &lock), 0);
        double seconds = 0;
        const std::vector<SResult> locked = runAll(&seconds);
        close(fd);
        for (size_t i = 0; i < commands.size(); ++i) {
            EXPECT_EQ(locked[i].code, 1) << commands[i];
            EXPECT_EQ(locked[i].out, "") << commands[i];
            EXPECT_THAT(locked[i].err, HasSubstr("is locked by another process")) << commands[i];
        }
        EXPECT_LT(seconds, 15.0);  // one wait of 10 s each, not one per value read
    }
    EXPECT_EQ(Run({"reg", "get", "Software\\Test", "Count"}).out, "1\n");

    const struct {
        const char* what;
        const char* message;
    } broken[] = {
        {"damaged", "is damaged or not a registry store"},
        {"not a file", "is not a regular file"},
    };
    for (const auto& c : broken) {
        fs::remove(store);
        if (std::string(c.what) == "damaged") {
            std::ofstream(store) << std::string(4096, 'g');
        } else {
            fs::create_symlink("/dev/null", store);
        }
        double seconds = 0;
        const std::vector<SResult> results = runAll(&seconds);
        for (size_t i = 0; i < commands.size(); ++i) {
            EXPECT_EQ(results[i].code, 1) << c.what << ": " << commands[i];
            EXPECT_EQ(results[i].out, "") << c.what << ": " << commands[i];
            EXPECT_THAT(results[i].err, HasSubstr(c.message)) << c.what << ": " << commands[i];
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(KitrosterCliTest, ASavedFileKeepsItsModeAndOwner) {
    const std::string file = ResourceFile("CAM01").string();
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
    }
    ASSERT_EQ(Run({"set", "CAM01", "--name", "Private"}).code, 0);
    struct stat st = {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(Shown("CAM01", "NAME"), "Private");
}

TEST_F(KitrosterCliTest, NonAsciiRootsAndNamesAreTheFileSystemsUtf8Names) {
    const fs::path utf8Root = m_dir / "d\xC3\xA9";
    fs::rename(m_site, utf8Root);
    auto runIn = [&](std::initializer_list<std::string> args) {
        std::vector<std::string> all = {"--root", utf8Root.string()};
        all.insert(all.end(), args);
        switch (all.size()) {
            case 3:
                return Run({all[0], all[1], all[2]}, false);
            case 4:
                return Run({all[0], all[1], all[2], all[3]}, false);
            case 5:
                return Run({all[0], all[1], all[2], all[3], all[4]}, false);
            default:
                return Run({all[0], all[1], all[2], all[3], all[4], all[5]}, false);
        }
    };
    EXPECT_EQ(Lines(runIn({"list"}).out).size(), 9u);
    EXPECT_EQ(runIn({"add", "CAM09", "CAMERA_IP"}).code, 0);
    EXPECT_TRUE(fs::exists(utf8Root / "SettingsGeneral" / "_RES_CAM09.zrr"));
    EXPECT_FALSE(fs::exists(m_dir / "d\xE9"));

    // A peer's file stored under its UTF-8 name is changed and deleted in place.
    const fs::path peer = utf8Root / "SettingsGeneral" / "_RES_CAM\xC3\x89.zrr";
    std::ofstream(peer, std::ios::binary)
        << "<SCMA> {1000}\r\n<ID> {CAM\xC9}\r\n<TYPE> {CAMERA_IP}\r\n<NAME> {}\r\n<CONN> {}\r\n"
           "<CAPS> {}\r\n";
    ASSERT_EQ(runIn({"set", "CAM\xC3\x89", "--name", "Peer"}).code, 0);
    EXPECT_THAT(ReadFile(peer), HasSubstr("{Peer}"));
    EXPECT_EQ(Lines(runIn({"list"}).out).size(), 11u);  // no second copy
    ASSERT_EQ(runIn({"delete", "CAM\xC3\x89"}).code, 0);
    EXPECT_FALSE(fs::exists(peer));
    EXPECT_EQ(Lines(runIn({"list"}).out).size(), 10u);
}

TEST_F(KitrosterCliTest, SettingsRootsThatCannotBeUsedAreRefused) {
    EXPECT_EQ(Run({"--root", "", "list"}, false).code, 2);
    EXPECT_EQ(Run({"list", "--root", ""}, false).code, 2);

    // A LocalRoot longer than a registry read would be cut to a sibling folder's name.
    const std::string key = "Software\\Corvent\\ZRSync\\LocalSettings";
    const fs::path cut = m_dir / std::string(200, 'a') / std::string(200, 'b');
    const std::string longRoot = (cut / std::string(200, 'c')).string() + "/";
    ASSERT_EQ(Run({"reg", "set", key, "LocalRoot", "--sz", longRoot}, false).code, 0);
    SResult add = Run({"add", "CAM09", "CAMERA_IP"}, false);
    EXPECT_EQ(add.code, 1);
    EXPECT_THAT(add.err, HasSubstr("LocalRoot"));
    EXPECT_THAT(add.err, HasSubstr("499"));
    EXPECT_FALSE(fs::exists(cut.parent_path()));
    EXPECT_EQ(Run({"list"}, false).code, 1);

    // A LocalRoot of another type is left as it is.
    ASSERT_EQ(Run({"reg", "set", key, "LocalRoot", "--dword", "5"}, false).code, 0);
    Run({"list"}, false);
    EXPECT_EQ(Run({"reg", "get", key, "LocalRoot"}, false).out, "5\n");
}

TEST_F(KitrosterCliTest, MessagesShowNativePaths) {
    std::ofstream(ResourceFile("NEWER"), std::ios::binary)
        << "<SCMA> {1001}\r\n<ID> {NEWER}\r\n<TYPE> {CAMERA_IP}\r\n<NAME> {}\r\n<CONN> {}\r\n"
           "<CAPS> {}\r\n";
    std::string windowsForm = m_site.string();
    std::replace(windowsForm.begin(), windowsForm.end(), '/', '\\');
    SResult list = Run({"--root", windowsForm, "list"}, false);
    EXPECT_EQ(list.code, 1);
    EXPECT_THAT(list.err, HasSubstr((m_site / "SettingsGeneral").string()));
    EXPECT_THAT(list.err, Not(HasSubstr("\\")));

    // The files a save could not change are listed by their native paths too.
    fs::remove(ResourceFile("NEWER"));
    fs::permissions(ResourceFile("CAM01"), fs::perms::owner_read);
    SResult rename = Run({"rename", "CAM01", "CAM09"});
    EXPECT_EQ(rename.code, 1);
    EXPECT_THAT(rename.err, HasSubstr("\n  " + ResourceFile("CAM01").string() + "\n"));
    EXPECT_THAT(rename.err, Not(HasSubstr("\\")));
}

TEST_F(KitrosterCliTest, AMissingCatalogueFolderIsNotAnEmptySite) {
    const fs::path bare = m_dir / "bare";  // a settings root without its catalogue folder
    const fs::path none = m_dir / "none";  // no settings root at all
    fs::create_directories(bare);
    const struct {
        fs::path root;
        std::vector<std::string> args;
        int code;
        const char* err;  // part of stderr
        bool folderAfter;
    } cases[] = {
        {none, {"list"}, 1, "does not exist", false},
        {none, {"doctor"}, 1, "does not exist", false},
        {none, {"add", "CAM09", "CAMERA_IP"}, 1, "settings root", false},
        {none, {"set", "CAM01", "--name", "x"}, 1, "does not exist; nothing changed", false},
        {bare, {"list"}, 1, "does not exist", false},
        {bare, {"doctor", "--json"}, 1, "does not exist", false},
        {bare, {"delete", "CAM01"}, 1, "does not exist; nothing changed", false},
        {bare, {"add", "CAM09", "CAMERA_IP"}, 0, "created the catalogue folder", true},
        {bare, {"list"}, 0, "", true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--root", c.root.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const SResult r = RunArgs(args, false);
        SCOPED_TRACE(c.root.filename().string() + " " + c.args[0] + "\n" + r.out + r.err);
        EXPECT_EQ(r.code, c.code);
        EXPECT_THAT(r.err, HasSubstr(c.err));
        EXPECT_THAT(r.out, Not(HasSubstr("healthy")));
        EXPECT_EQ(fs::is_directory(c.root / "SettingsGeneral"), c.folderAfter);
        if (c.args[0] == "doctor" && c.args.size() == 1) {
            EXPECT_THAT(r.out, HasSubstr("the catalogue folder does not exist"));
        }
    }
    EXPECT_FALSE(fs::exists(none));
    EXPECT_EQ(Lines(RunArgs({"--root", bare.string(), "list"}, false).out).size(), 1u);
}

TEST_F(KitrosterCliTest, SkippedFilesWarningNamesTwentyAndLeavesTheRestToDoctor) {
    for (int i = 0; i < 25; ++i) {
        const std::string id = "OLD" + std::to_string(100 + i);
        std::ofstream(ResourceFile(id), std::ios::binary)
            << "<SCMA> {999}\r\n<ID> {" << id << "}\r\n<TYPE> {T}\r\n";
    }
    const SResult list = Run({"list"});
    EXPECT_EQ(list.code, 1);
    EXPECT_EQ(Lines(list.out).size(), 9u);
    int named = 0;
    for (const std::string& line : Lines(list.err))
        named += line.rfind("  _RES_OLD", 0) == 0;
    EXPECT_EQ(named, 20) << list.err;
    EXPECT_THAT(list.err, HasSubstr("25 resource file(s)"));
    EXPECT_THAT(list.err, HasSubstr("\n  and 5 more (kitroster doctor lists them all)"));
    const SResult doctor = Run({"doctor", "--json"});
    EXPECT_EQ(nlohmann::json::parse(doctor.out)["skippedFiles"].size(), 25u);
}

TEST_F(KitrosterCliTest, ListedNamesWithBackslashesNeverReachAnotherSite) {
    // Another site beside this one, and names in this site's folder that would reach its
    // files if a backslash were read as a separator.
    const fs::path folder = m_site / "SettingsGeneral";
    const fs::path other = m_dir / "other" / "SettingsGeneral";
    fs::create_directories(other);
    fs::create_directories(folder / "_RES_Z");
    fs::create_directories(folder / ".~x");
    const fs::path victim = other / "_RES_OTHER1.zrr";
    const fs::path victimTemp = other / ".~RES_V.zrr.1.2.abcdef01.tmp";
    const std::string name = "_RES_Z\\..\\..\\..\\other\\SettingsGeneral\\_RES_OTHER1.zrr";
    const std::string tempName =
        ".~x\\..\\..\\..\\other\\SettingsGeneral\\.~RES_V.zrr.1.2.abcdef01.tmp";
    const std::string victimText =
        "<SCMA> {1000}\r\n<ID> {OTHER1}\r\n<TYPE> {CAMERA_IP}\r\n<NAME> {}\r\n<CONN> {}\r\n"
        "<CAPS> {}\r\n";
    std::ofstream(victim, std::ios::binary) << victimText;
    std::ofstream(victimTemp, std::ios::binary) << "keep";
    std::ofstream(folder / name, std::ios::binary) << "planted";
    std::ofstream(folder / tempName, std::ios::binary) << "planted";
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(3);
    for (const fs::path& path : {victimTemp, folder / tempName})
        fs::last_write_time(path, old);

    const struct {
        std::vector<std::string> args;
        const char* out;  // part of stdout
        const char* err;  // part of stderr
    } cases[] = {
        {{"list"}, "CAM01", name.c_str()},
        {{"show", "OTHER1"}, "", "OTHER1 does not exist"},
        {{"set", "OTHER1", "--name", "taken"}, "", "OTHER1 does not exist"},
        {{"delete", "OTHER1"}, "", "OTHER1 does not exist"},
        {{"doctor"}, "folder separator", ""},
        {{"doctor", "--fix"}, "not removed", ""},
    };
    for (const auto& c : cases) {
        const SResult r = RunArgs(c.args);
        SCOPED_TRACE(c.args[0] + "\n" + r.out + r.err);
        EXPECT_EQ(r.code, 1);
        EXPECT_THAT(r.out, HasSubstr(c.out));
        EXPECT_THAT(r.out, Not(HasSubstr("OTHER1\t")));  // no row, no shown field
        EXPECT_THAT(r.out, Not(HasSubstr(": removed")));
        EXPECT_THAT(r.err, HasSubstr(c.err));
        EXPECT_EQ(ReadFile(victim), victimText);
        EXPECT_EQ(ReadFile(victimTemp), "keep");
        EXPECT_TRUE(fs::exists(folder / name));
        EXPECT_TRUE(fs::exists(folder / tempName));
    }
}

TEST_F(KitrosterCliTest, IdentifiersWithDotsInsideAreSavedAndDeleted) {
    // The tool's own add refuses dots; such identifiers come from peers' files.
    std::ofstream(ResourceFile("A..B"), std::ios::binary)
        << "<SCMA> {1000}\r\n<ID> {A..B}\r\n<TYPE> {CAMERA_IP}\r\n<NAME> {}\r\n<CONN> {}\r\n"
           "<CAPS> {}\r\n";
    ASSERT_EQ(Run({"set", "A..B", "--name", "Dots"}).code, 0);
    EXPECT_EQ(Shown("A..B", "NAME"), "Dots");
    ASSERT_EQ(Run({"delete", "A..B"}).code, 0);
    EXPECT_FALSE(fs::exists(ResourceFile("A..B")));
    EXPECT_EQ(Lines(Run({"list"}).out).size(), 9u);
}

TEST_F(KitrosterCliTest, DoctorOnTheDemoSite) {
    const char* const kKeys[] = {"skippedFiles",      "roomLinks",          "assemblyLinks",
                                 "missingReferences", "duplicateAddresses", "emptyServer",
                                 "defaultPasswords",  "passwordProblems",   "staleTempFiles",
                                 "malformedAddresses", "unreachable",       "unfinishedRenames"};
    SResult healthy = Run({"doctor"});
    EXPECT_EQ(healthy.code, 0) << healthy.err;
    EXPECT_EQ(healthy.out, "The site is healthy: no findings.\n");
    SResult json = Run({"doctor", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    nlohmann::json object = nlohmann::json::parse(json.out);
    EXPECT_EQ(object.size(), std::size(kKeys));
    for (const char* key : kKeys)
        EXPECT_EQ(object[key], nlohmann::json::array()) << key;

    // A camera's address copied onto another: a finding, exit 1, in both forms.
    std::string cam02 = ReadFile(ResourceFile("CAM02"));
    cam02.replace(cam02.find("10.0.0.6"), 8, "10.0.0.5");
    std::ofstream(ResourceFile("CAM02"), std::ios::binary) << cam02;
    SResult found = Run({"doctor"});
    EXPECT_EQ(found.code, 1);
    EXPECT_THAT(found.out,
                HasSubstr("Cameras sharing an address (1):\n  IPADDR 10.0.0.5: CAM01, CAM02\n"));
    json = Run({"doctor", "--json"});
    EXPECT_EQ(json.code, 1);
    object = nlohmann::json::parse(json.out);
    EXPECT_EQ(object["duplicateAddresses"][0]["cameras"], nlohmann::json({"CAM01", "CAM02"}));
    EXPECT_EQ(object.size(), std::size(kKeys));

    // A password a peer wrote in clear is reported, its value never printed.
    std::string cam03 = ReadFile(ResourceFile("CAM03"));
    cam03.insert(cam03.find("<CONN> {") + 8, " Password =hunter2;");
    std::ofstream(ResourceFile("CAM03"), std::ios::binary) << cam03;
    json = Run({"doctor", "--json"});
    EXPECT_EQ(json.code, 1);
    object = nlohmann::json::parse(json.out);
    EXPECT_EQ(object["passwordProblems"],
              nlohmann::json::parse(
                  R"([{"resource": "CAM03", "type": "CAMERA_IP", "problem": "clearText"}])"));
    found = Run({"doctor"});
    EXPECT_THAT(found.out, HasSubstr("CAM03 (CAMERA_IP): stored in clear text"));
    EXPECT_THAT(found.out + json.out, Not(HasSubstr("hunter2")));
    EXPECT_EQ(Run({"doctor", "--bogus"}).code, 2);
}

// Export, import into an empty site, export again: the same bytes, in both formats.
TEST_F(KitrosterCliTest, ExportImportRoundTripOfTheDemoSiteIsByteIdentical) {
    const fs::path demo = m_site;
    const fs::path empty = m_dir / "empty";
    fs::create_directories(empty / "SettingsGeneral");
    for (const std::string format : {"json", "csv"}) {
        SCOPED_TRACE(format);
        m_site = demo;
        const SResult exported = Run({"export", "--format", format});
        ASSERT_EQ(exported.code, 0) << exported.err;
        const fs::path file = m_dir / ("demo." + format);
        ASSERT_EQ(Run({"export", "--format", format, "--output", file.string()}).code, 0);
        ASSERT_EQ(ReadFile(file), exported.out);

        fs::remove_all(empty / "SettingsGeneral");
        fs::create_directories(empty / "SettingsGeneral");
        m_site = empty;
        const SResult imported = Run({"import", file.string()});
        ASSERT_EQ(imported.code, 0) << imported.err;
        EXPECT_EQ(Lines(imported.out).size(), 9u);
        // The resource files themselves come back byte for byte.
        for (const auto& entry : fs::directory_iterator(demo / "SettingsGeneral")) {
            if (entry.path().extension() != ".zrr")
                continue;
            EXPECT_EQ(ReadFile(empty / "SettingsGeneral" / entry.path().filename()),
                      ReadFile(entry.path()))
                << entry.path();
        }
        EXPECT_EQ(Run({"export", "--format", format}).out, exported.out);
    }
    m_site = demo;
    EXPECT_THAT(ReadFile(m_dir / "demo.csv"),
                HasSubstr("ID,TYPE,NAME,CONN,CAPS,CONN.RES_SERVER,CONN.RES_CAMERA,"));
    EXPECT_THAT(ReadFile(m_dir / "demo.csv"), HasSubstr("\"Video server, east wing\""));
    const nlohmann::json parsed = nlohmann::json::parse(ReadFile(m_dir / "demo.json"));
    ASSERT_EQ(parsed.size(), 9u);
    EXPECT_EQ(parsed[0].size(), 7u);       // the fields of show --json
    EXPECT_EQ(parsed[0]["id"], "ASSY01");  // by identifier, not in the folder's order
}

TEST_F(KitrosterCliTest, ImportReportsEveryProblemWritesAllOrNothingAndSealsPasswords) {
    const fs::path csv = m_dir / "in.csv";
    auto write = [&](const std::string& text) { std::ofstream(csv, std::ios::binary) << text; };
    const auto before = [&] {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(m_site / "SettingsGeneral")) {
            if (entry.path().extension() == ".zrr")
                files.push_back(entry.path().filename().string() + ReadFile(entry.path()));
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    const std::vector<std::string> original = before();

    // Every problem with its line; the good record is not written either.
    write("ID,TYPE,NAME\r\nCAM05,CAMERA_IP,ok\r\nCAM 6,CAMERA_IP,\r\nCAM01,CAMERA_IP,x\r\n");
    SResult refused = Run({"import", csv.string()});
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err, HasSubstr(csv.string() + ":3: Resource ID must only use"));
    EXPECT_THAT(refused.err, HasSubstr(csv.string() + ":4: This resource id 'CAM01' already"));
    EXPECT_THAT(refused.err, HasSubstr("nothing imported: 2 problem(s)"));
    EXPECT_EQ(before(), original);

    write("ID,TYPE,NAME\r\nCAM05,CAMERA_IP,ok\r\nCAM01,CAMERA_IP,Renamed\r\n");
    SResult dry = Run({"import", csv.string(), "--dry-run", "--replace"});
    EXPECT_EQ(dry.code, 0) << dry.err;
    EXPECT_EQ(dry.out, "would be added\tCAM05\nwould be replaced\tCAM01\n");
    EXPECT_EQ(before(), original);

    // A clear password is sealed, never stored or printed; without a usable site key the
    // import refuses instead of storing it in clear.
    write("ID,PASSWORD_PLAIN\r\nSRV01,s3cr3t-pw\r\n");
    SResult noKey = RunArgs({"import", csv.string(), "--replace"}, true,
                            "KITROSTER_SITE_KEY_FILE=" + Quote((m_dir / "no-such.key").string()));
    EXPECT_EQ(noKey.code, 1);
    EXPECT_THAT(noKey.err, HasSubstr(":2: the password cannot be sealed"));
    EXPECT_EQ(before(), original);
    SResult sealed = Run({"import", csv.string(), "--replace"});
    EXPECT_EQ(sealed.code, 0) << sealed.err;
    EXPECT_EQ(sealed.out, "replaced\tSRV01\n");
    const std::string stored = ReadFile(ResourceFile("SRV01"));
    EXPECT_THAT(stored, HasSubstr("USERNAME=zruser;PASSWORD=$kx1$"));
    EXPECT_THAT(stored, Not(HasSubstr("s3cr3t")));
    EXPECT_THAT(Run({"export"}).out, Not(HasSubstr("s3cr3t")));
    EXPECT_THAT(Run({"resolve", "SRV01", "--show-password", "--json"}).out, HasSubstr("s3cr3t-pw"));

    // Standard input with a format; without one the format must be given.
    m_stdin = m_dir / "in.json";
    std::ofstream(m_stdin)
        << R"([{"id": "CAM06", "type": "CAMERA_IP", "connProperties": {"PORT": "81"}}])";
    SResult piped = Run({"import", "-", "--format", "json"});
    EXPECT_EQ(piped.code, 0) << piped.err;
    EXPECT_EQ(Shown("CAM06", "CONN"), "PORT=81;");
    EXPECT_EQ(Run({"import", "-"}).code, 2);
    m_stdin.clear();
    EXPECT_EQ(Run({"import", (m_dir / "in.txt").string()}).code, 2);
    EXPECT_EQ(Run({"export", "--format", "xml"}).code, 2);
}

}  // namespace
