#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/oxb_exception/ZRLogSite.h"
#include "platform/registry/Registry.h"
#include "testing/log/LogCapture.h"

namespace {

namespace fs = std::filesystem;
using kitroster::CRegistry;

static CZRLogSite s_log("KITROSTER");
const char* const kLoggingKey = "Software\\Corvent\\Utilities\\Kitroster\\Logging";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kr-log-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        CRegistry::SetMachineLocation(m_dir + "/state/registry.db");
        // Defaults without a file; the registry tests unset this themselves.
        setenv("KITROSTER_LOG", "file=", 1);
        CZRLogManager::SetConfigurationForTesting(nullptr);
    }
    void TearDown() override {
        unsetenv("KITROSTER_LOG");
        // No file output left pointing into the folder about to be removed.
        CZRLogManager::SetConfigurationForTesting("file=");
        fs::remove_all(m_dir);
    }
    void UseEnvironment(const std::string& items) {
        setenv("KITROSTER_LOG", items.c_str(), 1);
        CZRLogManager::Reconfigure();
    }

    std::string m_dir;
};

TEST_F(LogTest, DisabledLevelEvaluatesNoArgumentAndFormatsNothing) {
    CLogCapture log("KITROSTER=0x08");
    int arguments = 0;
    int formats = 0;
    ZR_LOG(s_log, ZRLOG_DETAIL, (++formats, "detail %d"), ++arguments);
    ZR_LOG(s_log, ZRLOG_INFO, (++formats, "info %d"), ++arguments);
    ZR_LOG(s_log, ZRLOG_WARNING, (++formats, "warning %d"), ++arguments);
    EXPECT_EQ(arguments, 0);
    EXPECT_EQ(formats, 0);
    EXPECT_EQ(log.Count(), 0u);

    const int line = __LINE__ + 1;
    ZR_LOG(s_log, ZRLOG_FAILURE, (++formats, "CTest::Run() failed %d"), ++arguments);
    EXPECT_EQ(arguments, 1);
    EXPECT_EQ(formats, 1);
    std::vector<CLogCapture::Entry> entries = log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].component, "KITROSTER");
    EXPECT_EQ(entries[0].level, ZRLOG_FAILURE);
    EXPECT_EQ(entries[0].text, "CTest::Run() failed 1");
    EXPECT_EQ(fs::path(entries[0].file).filename(), "LogTest.cpp");
    EXPECT_EQ(entries[0].line, line);

    // The site keeps its cached logger; a new configuration reaches it all the same.
    CZRLogManager::SetConfigurationForTesting("KITROSTER=0x20");
    ZR_LOG(s_log, ZRLOG_FAILURE, "not now %d", ++arguments);
    ZR_LOG(s_log, ZRLOG_DETAIL, "detail %d", ++arguments);
    EXPECT_EQ(arguments, 2);
    EXPECT_TRUE(log.Contains("detail 2", ZRLOG_DETAIL));

    EXPECT_EQ(CZRLogManager::FormatStr(nullptr), "");
    EXPECT_EQ(CZRLogManager::FormatStr("%s=%d;", "PORT", 80), "PORT=80;");
    const std::string big(5000, 'q');
    EXPECT_EQ(CZRLogManager::FormatStr("<%s>", big.c_str()), "<" + big + ">");
}

TEST_F(LogTest, MasksPerComponentFromEnvironment) {
    struct Case {
        const char* items;
        uint32_t kitroster;
        uint32_t video;
        uint32_t sync;
    };
    const Case cases[] = {
        {"KITROSTER=0x2d", 0x2d, 0x0c, 0x0c},
        {"*=0x08,VIDEO_AVCOMMON=0x20", 0x08, 0x20, 0x08},
        {" kitroster = 45 , bogus, ZRSYNC_ZRSYNCCOMMON=junk", 45, 0x0c, 0x0c},
        {"KITROSTER=-1,VIDEO_AVCOMMON=0x100000000,ZRSYNC_ZRSYNCCOMMON=0", 0x0c, 0x0c, 0},
    };
    CZRLogger* kitroster = CZRLogManager::GetLogger("KITROSTER");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items);
        UseEnvironment(c.items);
        EXPECT_TRUE(CZRLogManager::IsLogging());
        EXPECT_EQ(CZRLogManager::GetLogger("KITROSTER"), kitroster);
        EXPECT_EQ(kitroster->GetLevelMask(), c.kitroster);
        EXPECT_EQ(CZRLogManager::GetLogger("VIDEO_AVCOMMON")->GetLevelMask(), c.video);
        EXPECT_EQ(CZRLogManager::GetLogger("ZRSYNC_ZRSYNCCOMMON")->GetLevelMask(), c.sync);
    }
    // An explicit configuration does not consult (or create) the registry.
    EXPECT_FALSE(fs::exists(m_dir + "/state/registry.db"));
}

TEST_F(LogTest, MasksAndFileFromRegistry) {
    CRegistry& reg = CRegistry::Machine();
    unsetenv("KITROSTER_LOG");
    // Reading the configuration does not create the logging key.
    CZRLogManager::Reconfigure();
    EXPECT_FALSE(reg.KeyExists(kLoggingKey));
    EXPECT_EQ(CZRLogManager::GetLogger("KITROSTER")->GetLevelMask(), 0x0cu);

    ASSERT_TRUE(reg.SetDword(kLoggingKey, "kitroster", 0x20));
    ASSERT_TRUE(reg.SetDword(kLoggingKey, "*", 0x08));
    ASSERT_TRUE(reg.SetString(kLoggingKey, "LogFile", m_dir + "/logs/reg.log"));
    CZRLogManager::Reconfigure();
    EXPECT_EQ(CZRLogManager::GetLogger("KITROSTER")->GetLevelMask(), 0x20u);
    EXPECT_EQ(CZRLogManager::GetLogger("VIDEO_AVCOMMON")->GetLevelMask(), 0x08u);
    ZR_LOG(s_log, ZRLOG_DETAIL, "SplitPath() %s", "C:\\a\\b");
    EXPECT_NE(ReadFile(m_dir + "/logs/reg.log").find("KITROSTER DETAIL LogTest.cpp:"),
              std::string::npos);

    // An unavailable registry gives the defaults.
    std::ofstream(m_dir + "/plain") << "x";
    CRegistry::SetMachineLocation(m_dir + "/plain/registry.db");
    CZRLogManager::Reconfigure();
    EXPECT_TRUE(CZRLogManager::IsLogging());
    EXPECT_EQ(CZRLogManager::GetLogger("KITROSTER")->GetLevelMask(), 0x0cu);
}

TEST_F(LogTest, OffSwitchesLoggingOff) {
    {
        CLogCapture log("off,*=0x2d");
        EXPECT_FALSE(CZRLogManager::IsLogging());
        int arguments = 0;
        ZR_LOG(s_log, ZRLOG_FAILURE, "failure %d", ++arguments);
        EXPECT_EQ(arguments, 0);
        EXPECT_EQ(log.Count(), 0u);
    }
    EXPECT_TRUE(CZRLogManager::IsLogging());
    UseEnvironment("KITROSTER=0x2d, OFF");
    EXPECT_FALSE(CZRLogManager::IsLogging());
}

TEST_F(LogTest, FileOutputWritesFormattedEntries) {
    const std::string file = m_dir + "/logs/kitroster.log";
    UseEnvironment("file=" + file + ",KITROSTER=0x0d");
    const int line = __LINE__ + 1;
    ZR_LOG(s_log, ZRLOG_WARNING, "CResourceFile::Read() %s", "recovered");
    ZR_LOG(s_log, ZRLOG_DETAIL, "hidden");
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("KITROSTER WARN LogTest.cpp:" + std::to_string(line) +
                        " CResourceFile::Read() recovered"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("hidden"), std::string::npos);

    // A file that cannot be opened leaves logging working without it.
    std::ofstream(m_dir + "/plain") << "x";
    UseEnvironment("file=" + m_dir + "/plain/k.log");
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(ZR_LOG(s_log, ZRLOG_FAILURE, "nowhere to go"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// Neither a logged name nor a planted link can put text where the log's reader would take it
// for another entry or another file.
TEST_F(LogTest, EntriesCannotBeForgedOrRedirected) {
    const std::string file = m_dir + "/kitroster.log";
    UseEnvironment("file=" + file + ",KITROSTER=0x0d");
    ZR_LOG(s_log, ZRLOG_WARNING, "CKitrosterFactory::Load() skipped %s",
           "_RES_X.zrr\nKITROSTER FAIL Kitroster.cpp:1 forged\r\t\x01\x7F.zrr");
    const std::string text = ReadFile(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(
        text.find("skipped _RES_X.zrr\\nKITROSTER FAIL Kitroster.cpp:1 forged\\r\\t\\x01\\x7F.zrr"),
        std::string::npos)
        << text;

    // A link at the log's name is not followed: its target stays as it was.
    std::ofstream(m_dir + "/victim") << "precious\n";
    fs::create_symlink(m_dir + "/victim", m_dir + "/linked.log");
    UseEnvironment("file=" + m_dir + "/linked.log");
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(ZR_LOG(s_log, ZRLOG_FAILURE, "redirected entry"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("not logging to"), std::string::npos);
    EXPECT_EQ(ReadFile(m_dir + "/victim"), "precious\n");
    EXPECT_TRUE(fs::is_symlink(m_dir + "/linked.log"));

    // A full file is rotated by renaming, the new one holds the next entry.
    fs::resize_file(file, 5 * 1024 * 1024);
    UseEnvironment("file=" + file);
    ZR_LOG(s_log, ZRLOG_FAILURE, "after rotation");
    EXPECT_EQ(fs::file_size(m_dir + "/kitroster.1.log"), 5u * 1024 * 1024);
    EXPECT_NE(ReadFile(file).find("after rotation"), std::string::npos);
    EXPECT_LT(fs::file_size(file), 1024u);
}

// Another account may plant anything at the log's name in a shared folder. Nothing but a
// regular file is used, nothing stalls the caller, and stderr says so once per file.
TEST_F(LogTest, LogNameHoldingAnotherKindOfFileIsRefusedPromptly) {
    std::ofstream(m_dir + "/victim") << "precious\n";
    struct {
        const char* name;
        bool fifoWithReader;
    } const cases[] = {
        {"fifo.log", false}, {"read-fifo.log", true}, {"link.log", false}, {"folder.log", false}};
    ASSERT_EQ(mkfifo((m_dir + "/fifo.log").c_str(), 0666), 0);
    ASSERT_EQ(mkfifo((m_dir + "/read-fifo.log").c_str(), 0666), 0);
    fs::create_symlink(m_dir + "/victim", m_dir + "/link.log");
    fs::create_directory(m_dir + "/folder.log");
    for (const auto& c : cases) {
        const std::string file = m_dir + "/" + c.name;
        const int reader = c.fifoWithReader ? ::open(file.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        ::testing::internal::CaptureStderr();
        auto logging = std::async(std::launch::async, [&] {
            for (int round = 0; round < 3; ++round) {
                UseEnvironment("file=" + file);
                ZR_LOG(s_log, ZRLOG_FAILURE, "entry %d", round);
            }
        });
        int rescue = -1;  // a reader lets a stalled open go on
        if (logging.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << c.name << ": logging stalled";
            rescue = ::open(file.c_str(), O_RDONLY | O_NONBLOCK);
        }
        logging.wait();
        if (rescue >= 0)
            ::close(rescue);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(Occurrences(err, "kitroster: not logging to " + file + ": "), 1u)
            << c.name << ": " << err;
        if (reader >= 0) {
            char byte;
            EXPECT_LE(::read(reader, &byte, 1), 0) << c.name;
            ::close(reader);
        }
    }
    EXPECT_EQ(ReadFile(m_dir + "/victim"), "precious\n");
    EXPECT_TRUE(fs::is_empty(m_dir + "/folder.log"));
}

TEST_F(LogTest, EventLogEntriesReachTheSinkAndTheFile) {
    {
        // Masks do not hold events back.
        CLogCapture log("*=0");
        const int line = __LINE__ + 1;
        COxbException entry(__FILE__, line, 0xC1010002, "time sync failed", nullptr, 0, 1);
        entry.AddToEventLog(__FILE__, line);
        std::vector<CLogCapture::Entry> entries = log.Entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].component, "EVENTLOG");
        EXPECT_EQ(entries[0].level, ZRLOG_FAILURE);
        EXPECT_EQ(entries[0].text, "event 0xC1010002: time sync failed");
        EXPECT_EQ(entries[0].line, line);
    }
    const std::string file = m_dir + "/events.log";
    UseEnvironment("file=" + file);
    COxbException(__FILE__, __LINE__, 0xC1010002, "clock ahead", nullptr, 0, 1)
        .AddToEventLog(__FILE__, __LINE__);
    EXPECT_NE(ReadFile(file).find("EVENTLOG FAIL LogTest.cpp:"), std::string::npos);
    EXPECT_NE(ReadFile(file).find("event 0xC1010002: clock ahead"), std::string::npos);
}

TEST_F(LogTest, ConcurrentWritersLoseNoEntry) {
    CLogCapture log("*=0x01");
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            static CZRLogSite site("VIDEO_AVCOMMON");
            for (int i = 0; i < kEach; ++i)
                ZR_LOG(site, ZRLOG_INFO, "thread %d entry %d", t, i);
        });
    }
    // Re-reading the configuration meanwhile neither loses nor duplicates entries.
    for (int i = 0; i < 20; ++i)
        CZRLogManager::SetConfigurationForTesting("*=0x01");
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(log.Count("entry"), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(log.Count("thread 3 entry 499"), 1u);
}

}  // namespace
