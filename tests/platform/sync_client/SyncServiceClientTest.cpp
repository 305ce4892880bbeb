// The D-Bus client against a private bus daemon and a scripted service process.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/sync_client/SyncServiceClient.h"
#include "testing/env/TempDir.h"

namespace kitroster {
namespace {

// A child process whose standard output the test reads line by line; killed with SIGKILL
// when the object goes (and by the kernel, should the test process die first).
class CChildProcess {
  public:
    explicit CChildProcess(std::vector<std::string> args) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            dup2(fds[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        m_out = fds[0];
    }
    ~CChildProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // The next line without its newline; nothing when none came within `timeoutMs` or the
    // child closed its output.
    std::optional<std::string> ReadLine(int timeoutMs = 5000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (const size_t end = m_buffer.find('\n'); end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd pfd{m_out, POLLIN, 0};
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[256];
            const ssize_t n = read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            m_buffer.append(chunk, static_cast<size_t>(n));
        }
    }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
};

// Sets an environment variable for a scope (null unsets it), then restores it.
class CScopedEnvVar {
  public:
    CScopedEnvVar(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~CScopedEnvVar() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }
    CScopedEnvVar(const CScopedEnvVar&) = delete;
    CScopedEnvVar& operator=(const CScopedEnvVar&) = delete;

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A private bus daemon on a socket in a temp folder, open to every user.
class CTestBus {
  public:
    CTestBus() : m_dir("kitroster-bus-"), m_daemon(_start(m_dir)) {
        m_address = m_daemon.ReadLine().value_or("");
    }
    const std::string& Address() const { return m_address; }

  private:
    static std::vector<std::string> _start(const CTempDir& dir) {
        std::ofstream(dir.Path("bus.conf"))
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <include>/usr/share/dbus-1/session.conf</include>\n"
               "  <policy context=\"default\"><allow user=\"*\"/></policy>\n"
               "</busconfig>\n";
        return {"/usr/bin/dbus-daemon",
                "--config-file=" + dir.Path("bus.conf"),
                "--nofork",
                "--nosyslog",
                "--print-address=1",
                "--address=unix:path=" + dir.Path("bus")};
    }

    CTempDir m_dir;
    CChildProcess m_daemon;
    std::string m_address;
};

std::vector<std::string> ServiceArgs(const std::string& address, std::vector<std::string> options) {
    std::vector<std::string> args{SYNC_TEST_SERVICE, address};
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

TEST(SyncServiceClientTest, TalksToTheServiceOnTheChosenBus) {
    CTestBus bus;
    ASSERT_FALSE(bus.Address().empty());
    CScopedEnvVar chosen("KITROSTER_SYNC_BUS", bus.Address().c_str());
    ISyncServiceClient& client = DBusSyncServiceClient();
    int32_t value = -1;
    EXPECT_FALSE(client.IsScannerServiceRunning());
    EXPECT_FALSE(client.GetStatus(&value));
    EXPECT_EQ(value, -1);

    CChildProcess service(ServiceArgs(bus.Address(), {"--statuses", "0,1,2", "--seconds", "45"}));
    ASSERT_EQ(service.ReadLine(), "ready");
    EXPECT_TRUE(client.IsScannerServiceRunning());
    ASSERT_TRUE(client.GetSecondsSinceLastSync(&value));
    EXPECT_EQ(value, 45);
    ASSERT_TRUE(client.SyncNow());
    EXPECT_EQ(service.ReadLine(), "SyncNow");
    std::vector<int32_t> statuses;
    for (int i = 0; i < 4 && client.GetStatus(&value); ++i)
        statuses.push_back(value);
    EXPECT_EQ(statuses, (std::vector<int32_t>{0, 1, 2, 2}));

    // "session" takes the session bus from the usual variable.
    CScopedEnvVar session("KITROSTER_SYNC_BUS", "session");
    CScopedEnvVar sessionAddress("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str());
    EXPECT_TRUE(client.IsScannerServiceRunning());
}

TEST(SyncServiceClientTest, ErrorsAndSilenceAreFailedCalls) {
    CTestBus bus;
    ASSERT_FALSE(bus.Address().empty());
    CScopedEnvVar chosen("KITROSTER_SYNC_BUS", bus.Address().c_str());
    CChildProcess service(
        ServiceArgs(bus.Address(), {"--hang", "GetStatus", "--error", "GetSecondsSinceLastSync"}));
    ASSERT_EQ(service.ReadLine(), "ready");
    ISyncServiceClient& client = DBusSyncServiceClient();
    int32_t value = -1;
    EXPECT_FALSE(client.GetSecondsSinceLastSync(&value));

    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.GetStatus(&value));
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(5000));
    EXPECT_EQ(value, -1);
    EXPECT_TRUE(client.SyncNow());  // the connection of a failed call is not reused
}

// A socket that takes connections and never says a word, as a stopped bus daemon's does:
// each call gives up after its own time-out, authentication included.
TEST(SyncServiceClientTest, ABusThatNeverAnswersCostsOneTimeOutPerCall) {
    CTempDir dir;
    const std::string path = dir.Path("silent-bus");
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 16), 0);  // connections queue up and are never accepted
    const std::string bus = "unix:path=" + path;
    CScopedEnvVar chosen("KITROSTER_SYNC_BUS", bus.c_str());

    ISyncServiceClient& client = DBusSyncServiceClient();
    int32_t value = -1;
    struct SCall {
        const char* what;
        std::function<bool()> call;
    };
    const SCall calls[] = {
        {"IsScannerServiceRunning", [&] { return client.IsScannerServiceRunning(); }},
        {"GetStatus", [&] { return client.GetStatus(&value); }},
        {"SyncNow", [&] { return client.SyncNow(); }},
    };
    for (const SCall& c : calls) {
        const auto before = std::chrono::steady_clock::now();
        EXPECT_FALSE(c.call()) << c.what;
        const auto waited = std::chrono::steady_clock::now() - before;
        EXPECT_GE(waited, std::chrono::milliseconds(1900)) << c.what;
        EXPECT_LT(waited, std::chrono::milliseconds(3000)) << c.what;
    }
    EXPECT_EQ(value, -1);
    close(listener);
}

TEST(SyncServiceClientTest, WithoutABusNothingRuns) {
    CTempDir dir;
    const std::string missing = "unix:path=" + dir.Path("no-bus");
    struct Case {
        const char* bus;
        const char* sessionAddress;
        const char* runtimeDir;
    } cases[] = {
        {missing.c_str(), nullptr, nullptr},   {"not an address", nullptr, nullptr},
        {"session", nullptr, nullptr},         {"session", nullptr, dir.path().c_str()},
        {"session", missing.c_str(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bus) + " " + (c.sessionAddress ? c.sessionAddress : "-") + " " +
                     (c.runtimeDir ? c.runtimeDir : "-"));
        CScopedEnvVar chosen("KITROSTER_SYNC_BUS", c.bus);
        CScopedEnvVar session("DBUS_SESSION_BUS_ADDRESS", c.sessionAddress);
        CScopedEnvVar runtime("XDG_RUNTIME_DIR", c.runtimeDir);
        ISyncServiceClient& client = DBusSyncServiceClient();
        int32_t value = -1;
        EXPECT_FALSE(client.IsScannerServiceRunning());
        EXPECT_FALSE(client.GetStatus(&value));
        EXPECT_FALSE(client.GetSecondsSinceLastSync(&value));
        EXPECT_FALSE(client.SyncNow());
        EXPECT_EQ(value, -1);
    }
}

}  // namespace
}  // namespace kitroster
