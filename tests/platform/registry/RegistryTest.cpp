#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kitroster {
namespace {

namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kr-registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_file = m_dir + "/state/registry.db";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string m_dir;
    std::string m_file;
};

const char* const kKey = "Software\\Corvent\\Utilities\\Kitroster\\Filters";

TEST_F(RegistryTest, GetWritesMissingDefaultsBackAndKeepsStoredValues) {
    CRegistry reg(m_file);
    EXPECT_EQ(reg.GetString(kKey, "idFilterSpec", "CAM*"), "CAM*");
    EXPECT_EQ(reg.GetDword(kKey, "lastFilterId", 1), 1u);

    std::string text;
    uint32_t number = 0;
    ASSERT_TRUE(reg.QueryString(kKey, "idFilterSpec", &text));
    EXPECT_EQ(text, "CAM*");
    ASSERT_TRUE(reg.QueryDword(kKey, "lastFilterId", &number));
    EXPECT_EQ(number, 1u);

    // A stored value wins over a different default and is not rewritten.
    EXPECT_EQ(reg.GetString(kKey, "idFilterSpec", "other"), "CAM*");
    EXPECT_EQ(reg.GetDword(kKey, "lastFilterId", 3), 1u);

    // A plain read under a missing key creates the key, but no value.
    EXPECT_FALSE(reg.QueryString("Software\\Corvent\\ZRSync\\LocalSettings", "LocalRoot", &text));
    EXPECT_TRUE(reg.KeyExists("Software\\Corvent\\ZRSync\\LocalSettings"));
    EXPECT_TRUE(reg.EnumValues("Software\\Corvent\\ZRSync\\LocalSettings").empty());

    // Another object on the same file sees everything: it was committed.
    CRegistry again(m_file);
    EXPECT_EQ(again.GetDword(kKey, "lastFilterId", 7), 1u);
}

TEST_F(RegistryTest, KeyPathsAndNamesIgnoreCaseAndKeepTheirSpelling) {
    CRegistry reg(m_file);
    ASSERT_TRUE(reg.SetString("Software\\Corvent\\Caf\xE9", "LocalRoot", "D:\\Data"));
    std::string text;
    // Windows-1252: 0xE9 upper-cases to 0xC9.
    for (const char* key : {"SOFTWARE\\corvent\\CAF\xC9", "software\\Corvent\\caf\xE9",
                            "\\Software\\\\Corvent\\Caf\xE9\\"}) {
        SCOPED_TRACE(key);
        text.clear();
        EXPECT_TRUE(reg.QueryString(key, "LOCALROOT", &text));
        EXPECT_EQ(text, "D:\\Data");
    }
    // A write through another spelling updates the same value; names keep the first one.
    ASSERT_TRUE(reg.SetString("SOFTWARE\\CORVENT\\CAF\xC9", "localroot", "E:\\"));
    std::vector<RegValue> values = reg.EnumValues("Software\\Corvent\\Caf\xE9");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "LocalRoot");
    EXPECT_EQ(values[0].text, "E:\\");
    EXPECT_EQ(reg.EnumSubkeys("software"), std::vector<std::string>{"Corvent"});
    EXPECT_EQ(reg.EnumSubkeys("SOFTWARE\\CORVENT"), std::vector<std::string>{"Caf\xE9"});

    ASSERT_TRUE(reg.SetDword("Software\\Corvent\\Caf\xE9\\Sub", "n", 5));
    EXPECT_TRUE(reg.DeleteKey("software\\CORVENT"));
    EXPECT_FALSE(reg.KeyExists("Software\\Corvent\\Caf\xE9\\Sub"));
    EXPECT_FALSE(reg.DeleteKey("software\\CORVENT"));
    EXPECT_TRUE(reg.KeyExists("Software"));
}

TEST_F(RegistryTest, TypesDoNotMixAndLongTextsAreCutOnReadOnly) {
    CRegistry reg(m_file);
    ASSERT_TRUE(reg.SetDword(kKey, "number", 42));
    ASSERT_TRUE(reg.SetString(kKey, "text", "42"));
    std::string text;
    uint32_t number = 0;
    EXPECT_FALSE(reg.QueryString(kKey, "number", &text));
    EXPECT_FALSE(reg.QueryDword(kKey, "text", &number));
    // Get of the other type returns the default and leaves the stored value alone.
    EXPECT_EQ(reg.GetString(kKey, "number", "dflt"), "dflt");
    EXPECT_EQ(reg.GetDword(kKey, "text", 9), 9u);
    EXPECT_EQ(reg.QueryValue(kKey, "number")->dword, 42u);
    EXPECT_EQ(reg.QueryValue(kKey, "text")->text, "42");
    // A write of the other type replaces the value.
    ASSERT_TRUE(reg.SetString(kKey, "number", "now text"));
    EXPECT_TRUE(reg.QueryString(kKey, "number", &text));

    const std::string exact(CRegistry::kMaxStringRead, 'x');
    const std::string longer = exact + "tail";
    ASSERT_TRUE(reg.SetString(kKey, "exact", exact));
    ASSERT_TRUE(reg.SetString(kKey, "long", longer));
    EXPECT_EQ(reg.GetString(kKey, "exact", ""), exact);
    EXPECT_EQ(reg.GetString(kKey, "long", ""), exact);
    ASSERT_TRUE(reg.QueryString(kKey, "long", &text));
    EXPECT_EQ(text, exact);
    EXPECT_EQ(reg.QueryValue(kKey, "long")->text, longer);  // unchanged in the store
    EXPECT_NE(reg.ExportRegedit4().find(longer), std::string::npos);
}

TEST_F(RegistryTest, UnavailableStoreReadsDefaultsAndWritesNothingSilently) {
    std::ofstream(m_dir + "/plain-file") << "not a folder";
    fs::create_directories(m_dir + "/a-folder");
    std::ofstream(m_dir + "/garbage.db") << std::string(4096, 'g');
    fs::create_symlink("/dev/null", m_dir + "/null.db");
    const struct {
        std::string file;
        RegStatus status;
    } cases[] = {
        {m_dir + "/plain-file/sub/registry.db", RegStatus::kUnavailable},
        {m_dir + "/a-folder", RegStatus::kUnavailable},
        {m_dir + "/garbage.db", RegStatus::kDamaged},
        {m_dir + "/null.db", RegStatus::kUnavailable},  // a device is never a store
    };
    for (const auto& [file, status] : cases) {
        SCOPED_TRACE(file);
        CRegistry reg(file);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(reg.IsAvailable());
        EXPECT_FALSE(reg.LastError().empty());
        EXPECT_EQ(reg.LastStatus(), status);
        EXPECT_EQ(reg.GetString(kKey, "v", "dflt"), "dflt");
        EXPECT_EQ(reg.GetDword(kKey, "n", 30000), 30000u);
        std::string text;
        EXPECT_FALSE(reg.QueryString(kKey, "v", &text));
        EXPECT_FALSE(reg.SetString(kKey, "v", "x"));
        EXPECT_FALSE(reg.SetDword(kKey, "n", 1));
        EXPECT_FALSE(reg.CreateKey(kKey));
        EXPECT_FALSE(reg.KeyExists(""));
        EXPECT_EQ(reg.ExportRegedit4(), "REGEDIT4\r\n");
        std::string error;
        EXPECT_FALSE(reg.ImportRegedit4("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n", &error));
        EXPECT_EQ(reg.LastStatus(), status);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(fs::read_symlink(m_dir + "/null.db"), "/dev/null");
    // The garbage file was not replaced by a fresh database.
    std::ifstream in(m_dir + "/garbage.db");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(4096, 'g'));
}

TEST_F(RegistryTest, ConcurrentProcessesLoseNoWrites) {
    constexpr int kPerProcess = 200;
    ASSERT_TRUE(CRegistry(m_file).IsAvailable());
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            // Each child has its own connection, opened after the fork.
            CRegistry reg(m_file);
            bool ok = true;
            for (int i = 0; i < kPerProcess; ++i) {
                std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
                ok = reg.SetDword("Software\\Race", name, static_cast<uint32_t>(i)) && ok;
                // Read-modify-write of a shared value: both must agree on one default.
                ok = reg.GetDword("Software\\Race\\Shared", "first", static_cast<uint32_t>(p)) <=
                         1 &&
                     ok;
            }
            _exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CRegistry reg(m_file);
    std::vector<RegValue> values = reg.EnumValues("Software\\Race");
    ASSERT_EQ(values.size(), 2u * kPerProcess);
    for (const RegValue& value : values) {
        EXPECT_EQ(value.name, value.name.substr(0, 3) + std::to_string(value.dword));
    }
    EXPECT_EQ(reg.EnumValues("Software\\Race\\Shared").size(), 1u);
}

// Another process holds the store's exclusive lock, as SQLite's own locking takes it: a lock
// on the pending byte and the shared range of the file.
class CLockHolder {
  public:
    explicit CLockHolder(const std::string& file) {
        int ready[2], release[2];
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(release), 0);
        m_child = fork();
        if (m_child == 0) {
            int fd = open(file.c_str(), O_RDWR);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 0x40000000;  // SQLite's pending byte, then the reserved and shared bytes
            lock.l_len = 512;
            char ok = fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
            close(release[1]);
            if (write(ready[1], &ok, 1) == 1)
                while (read(release[0], &ok, 1) > 0) {
                }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        m_release = release[1];
        char ok = 'n';
        EXPECT_EQ(read(ready[0], &ok, 1), 1);
        EXPECT_EQ(ok, 'y');
        close(ready[0]);
    }
    ~CLockHolder() {
        close(m_release);
        waitpid(m_child, nullptr, 0);
    }

  private:
    pid_t m_child = -1;
    int m_release = -1;
};

TEST_F(RegistryTest, LockedStoreReadsDefaultsSaysSoAndWaitsTenSecondsInAll) {
    ASSERT_TRUE(CRegistry(m_file).SetDword(kKey, "n", 1));
    CRegistry reg(m_file);
    {
        CLockHolder holder(m_file);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(reg.GetDword(kKey, "n", 7), 7u);
        EXPECT_EQ(reg.LastStatus(), RegStatus::kLocked);
        EXPECT_FALSE(reg.QueryValue(kKey, "n"));
        EXPECT_EQ(reg.LastStatus(), RegStatus::kLocked);
        EXPECT_FALSE(reg.SetDword(kKey, "n", 2));
        EXPECT_EQ(reg.LastStatus(), RegStatus::kLocked);
        EXPECT_EQ(reg.ExportRegedit4(), "REGEDIT4\r\n");
        EXPECT_EQ(reg.LastStatus(), RegStatus::kLocked);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took.count(), 9.5);   // the documented wait was honoured once...
        EXPECT_LT(took.count(), 12.0);  // ...and only once
    }
    // Once the lock is gone the store answers again, with the full wait restored.
    EXPECT_EQ(reg.GetDword(kKey, "n", 7), 1u);
    EXPECT_EQ(reg.LastStatus(), RegStatus::kOk);
    EXPECT_FALSE(reg.QueryValue(kKey, "missing"));
    EXPECT_EQ(reg.LastStatus(), RegStatus::kOk);
}

TEST_F(RegistryTest, MachineStoreCanBeRepointed) {
    CRegistry::SetMachineLocation(m_file);
    CRegistry& machine = CRegistry::Machine();
    EXPECT_EQ(machine.location(), m_file);
    ASSERT_TRUE(machine.SetDword("Software\\A", "n", 1));
    CRegistry::SetMachineLocation(m_dir + "/other.db");
    EXPECT_EQ(&CRegistry::Machine(), &machine);
    EXPECT_FALSE(machine.KeyExists("Software\\A"));
    EXPECT_TRUE(CRegistry(m_file).KeyExists("Software\\A"));
}

TEST(RegistryLocation, FollowsEnvironmentAndUser) {
    const char* saved = std::getenv("KITROSTER_REGISTRY");
    std::string savedValue = saved ? saved : "";
    setenv("KITROSTER_REGISTRY", "/tmp/x/reg.db", 1);
    EXPECT_EQ(CRegistry::DefaultLocation(), "/tmp/x/reg.db");
    unsetenv("KITROSTER_REGISTRY");
    if (geteuid() == 0) {
        EXPECT_EQ(CRegistry::DefaultLocation(), "/var/lib/kitroster/registry.db");
    } else {
        setenv("XDG_STATE_HOME", "/tmp/state", 1);
        EXPECT_EQ(CRegistry::DefaultLocation(), "/tmp/state/kitroster/registry.db");
    }
    if (saved)
        setenv("KITROSTER_REGISTRY", savedValue.c_str(), 1);
}

}  // namespace
}  // namespace kitroster
