// The programs as a careless administrator or a broken peer meets them: output that cannot
// be written, peer text with terminal controls, registry paths in every spelling. Each case
// runs the real binaries on a private copy of the demo site with a private registry file.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/apps/kitroster/CliTestSupport.h"

namespace {

using namespace kitroster_cli_test;
namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

class CliHostileInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kitroster-hostile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_site = m_dir / "site";
        fs::create_directories(m_site);
        fs::copy(fs::path(KITROSTER_DEMO_SITE) / "SettingsGeneral", m_site / "SettingsGeneral",
                 fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs `program` (with the private registry, and the site copy as root for kitroster and
    // kitroster-manager) with `input` on standard input and `environment` ("NAME=value ...")
    // added; standard output goes to `out` when given, else to a file read back.
    SResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& out = "", const std::string& input = "",
                       const std::string& environment = "") {
        std::ofstream(m_dir / "stdin") << input;
        std::string command = environment + " KITROSTER_LOG=off KITROSTER_REGISTRY=" +
                              Quote((m_dir / "registry.db").string()) + " " + Quote(program);
        if (program == KITROSTER_BIN || program == KITROSTER_MANAGER_BIN)
            command += " --root " + Quote(m_site.string());
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const fs::path outFile = m_dir / "stdout", errFile = m_dir / "stderr";
        fs::remove(outFile);
        command += " <" + Quote((m_dir / "stdin").string()) + " >" +
                   Quote(out.empty() ? outFile.string() : out) + " 2>" + Quote(errFile.string());
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(outFile), ReadFile(errFile)};
    }
    SResult Run(const std::vector<std::string>& args, const std::string& input = "") {
        return RunProgram(KITROSTER_BIN, args, "", input);
    }
    // Runs kitroster on a pseudo-terminal, as a person at a terminal would, and returns
    // everything it wrote there.
    std::string RunOnTerminal(const std::vector<std::string>& args) {
        std::vector<std::string> words = {KITROSTER_BIN, "--root", m_site.string()};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        std::string registry = "KITROSTER_REGISTRY=" + (m_dir / "registry.db").string();
        std::string log = "KITROSTER_LOG=off";
        char* envp[] = {registry.data(), log.data(), nullptr};
        int terminal = -1;
        const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            execve(KITROSTER_BIN, argv.data(), envp);
            _exit(127);
        }
        std::string out;
        if (pid < 0)
            return out;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(terminal, buffer, sizeof buffer);
            if (n > 0)
                out.append(buffer, static_cast<size_t>(n));
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break;  // EIO once the program has closed its side
        }
        int status = 0;
        waitpid(pid, &status, 0);
        close(terminal);
        return out;
    }

    fs::path m_dir;
    fs::path m_site;
};

// A command whose output could not be written fails, whichever command it is; the same
// command with its output going somewhere succeeds.
TEST_F(CliHostileInputTest, OutputThatCannotBeWrittenFailsTheCommand) {
    const std::string manifest = (m_dir / "site.mfs").string();
    ASSERT_EQ(Run({"manifest", "write", manifest, "--commit"}, "alpha\t1\t2\t3\n").code, 0);
    const std::string script = (m_dir / "pick.script").string();
    std::ofstream(script) << "click 1\n";

    struct SCase {
        std::string program;
        std::vector<std::string> args;
    };
    const SCase cases[] = {
        {KITROSTER_BIN, {"list"}},
        {KITROSTER_BIN, {"list", "--json"}},
        {KITROSTER_BIN, {"show", "CAM01"}},
        {KITROSTER_BIN, {"export"}},
        {KITROSTER_BIN, {"reg", "export", "Software"}},
        {KITROSTER_BIN, {"doctor", "--json"}},
        {KITROSTER_BIN, {"manifest", "read", manifest}},
        {KITROSTER_BIN, {"sync", "settings"}},
        {KITROSTER_BIN, {"timesync", "status"}},
        {KITROSTER_BIN, {"--help"}},
        {KITROSTER_MANAGER_BIN, {"--headless", "--pick", "CAM01", "--script", script}},
        {KITROSTER_PROFILE_BIN, {"version"}},
    };
    for (const SCase& c : cases) {
        const std::string name =
            fs::path(c.program).filename().string() + " " + c.args.front() + " " + c.args.back();
        const SResult written = RunProgram(c.program, c.args, "/dev/null");
        EXPECT_EQ(written.code, 0) << name << ": " << written.err;
        const SResult full = RunProgram(c.program, c.args, "/dev/full");
        EXPECT_EQ(full.code, 1) << name;
        EXPECT_THAT(full.err, HasSubstr("cannot write the output")) << name;
    }
}

// A peer's file cannot drive the terminal `list` and `show` print on: its control
// characters arrive escaped, while a pipe still gets the stored text.
TEST_F(CliHostileInputTest, PeerControlCharactersAreEscapedOnATerminal) {
    // A title change (OSC ... BEL), a screen clear, and 0x9D, which Windows-1252 leaves
    // undefined and which shows as the C1 OSC control once converted.
    std::ofstream(m_site / "SettingsGeneral" / "_RES_CAM01.zrr", std::ios::binary)
        << "<SCMA> {1000}\r\n<ID> {CAM01}\r\n<TYPE> {CAMERA_IP}\r\n"
           "<NAME> {cam\x1b]0;owned\x07}\r\n<CONN> {IPADDR=10.0.0.5;USERNAME=\x1b[2J\x9d;}\r\n"
           "<CAPS> {GENERIC=PTZ;}\r\n";
    const std::string shown = "cam\\x1B]0;owned\\x07";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list"}, std::vector<std::string>{"show", "CAM01"}}) {
        const std::string screen = RunOnTerminal(args);
        EXPECT_THAT(screen, HasSubstr(shown)) << args[0];
        EXPECT_THAT(screen, HasSubstr("USERNAME=\\x1B[2J\\x9D;")) << args[0];
        EXPECT_EQ(screen.find('\x1b'), std::string::npos) << args[0];
        EXPECT_EQ(screen.find("\xc2\x9d"), std::string::npos) << args[0];

        const SResult piped = Run(args);
        EXPECT_EQ(piped.code, 0) << piped.err;
        EXPECT_THAT(piped.out, HasSubstr("cam\x1b]0;owned\x07")) << args[0];
        EXPECT_THAT(piped.out, Not(HasSubstr(shown))) << args[0];
    }
    EXPECT_THAT(RunOnTerminal({"show", "CAM01"}), HasSubstr("CONN.USERNAME\t\\x1B[2J\\x9D"));
}

// Key paths in the form Windows tools write them name the same key; another hive is a
// usage error; reading a missing value adds no key.
TEST_F(CliHostileInputTest, RegistryKeyPathsInEverySpelling) {
    struct SCase {
        std::string key;
        int code;
    };
    const SCase cases[] = {
        {"Software\\Test", 0},
        {"HKEY_LOCAL_MACHINE\\Software\\Test", 0},
        {"hkey_local_machine\\Software\\Test", 0},
        {"HKLM\\Software\\Test", 0},
        {"hklm\\Software\\Test", 0},
        {"HKEY_CURRENT_USER\\Software\\Test", 2},
        {"HKCU\\Software\\Test", 2},
        {"hkey_users\\Software\\Test", 2},
        {"HKU\\Software\\Test", 2},
        {"HKCR\\Software\\Test", 2},
        {"HKEY_CLASSES_ROOT\\Software\\Test", 2},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const SCase& c = cases[i];
        const std::string value = "v" + std::to_string(i);
        EXPECT_EQ(Run({"reg", "set", c.key, "Value", "--sz", value}).code, c.code) << c.key;
        if (c.code != 0) {
            EXPECT_EQ(Run({"reg", "get", c.key, "Value"}).code, c.code) << c.key;
            EXPECT_EQ(Run({"reg", "export", c.key}).code, c.code) << c.key;
            continue;
        }
        EXPECT_EQ(Run({"reg", "get", "Software\\Test", "Value"}).out, value + "\n") << c.key;
        EXPECT_EQ(Run({"reg", "get", c.key, "Value"}).out, value + "\n") << c.key;
        EXPECT_THAT(Run({"reg", "export", c.key}).out,
                    HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\Test]"))
            << c.key;
    }
    const SResult missing = Run({"reg", "get", "HKLM\\Software\\Absent\\Deeper", "Nope"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.err, HasSubstr("not found"));

    const std::string store = Run({"reg", "export"}).out;
    for (const char* stray : {"\\HKEY_", "\\HKLM", "\\hklm", "\\hkey", "\\HKCU", "Absent"})
        EXPECT_THAT(store, Not(HasSubstr(stray))) << stray;
}

// The window program refuses what is not a script before reading it whole, and saves the
// pictures it is asked for where it is told, saying so in the transcript.
TEST_F(CliHostileInputTest, ManagerScriptsAndPictures) {
    const fs::path oversized = m_dir / "oversized.script";
    std::ofstream(oversized) << std::string((1 << 20) + 1, '#');
    const fs::path pick = m_dir / "pick.script";
    std::ofstream(pick) << "click 1\n";
    struct SCase {
        std::string script;
        int code;
        std::string err;
    };
    const SCase cases[] = {
        {"/dev/zero", 2, "is larger than 1048576 bytes"},
        {oversized.string(), 2, "is larger than 1048576 bytes"},
        {(m_dir / "absent.script").string(), 2, "cannot read the script"},
        {pick.string(), 0, ""},
    };
    for (const SCase& c : cases) {
        const SResult r = RunProgram(KITROSTER_MANAGER_BIN,
                                     {"--headless", "--pick", "CAM01", "--script", c.script});
        EXPECT_EQ(r.code, c.code) << c.script << ": " << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.err)) << c.script;
    }

    // A pictures folder that does not exist yet is made; "shot" saves a relative name in it.
    const fs::path shots = m_dir / "new" / "shots";
    const fs::path script = m_dir / "shot.script";
    std::ofstream(script) << "shot mine.png\nshot " << (m_dir / "own.png").string()
                          << "\nclick 1\n";
    const SResult r =
        RunProgram(KITROSTER_MANAGER_BIN,
                   {"--pick", "CAM01", "--script", script.string(), "--shots", shots.string()}, "",
                   "", "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(shots / "mine.png"));
    EXPECT_TRUE(fs::is_regular_file(shots / "15000-1.png"));  // the window as it opened
    EXPECT_TRUE(fs::is_regular_file(m_dir / "own.png"));
    EXPECT_THAT(r.out, HasSubstr(R"({"event":"shot","line":1,"file":")" +
                                 (shots / "mine.png").string() + "\"}"));
    EXPECT_THAT(r.out, HasSubstr(R"({"event":"shot","line":2,"file":")" +
                                 (m_dir / "own.png").string() + "\"}"));

    // A folder that cannot be made (a file is in the way) stops the run before any window.
    std::ofstream(m_dir / "file") << "x";
    const SResult blocked = RunProgram(KITROSTER_MANAGER_BIN,
                                       {"--pick", "CAM01", "--script", script.string(), "--shots",
                                        (m_dir / "file" / "shots").string()},
                                       "", "", "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(blocked.code, 2);
    EXPECT_THAT(blocked.err, HasSubstr("cannot create the folder"));
}

}  // namespace
