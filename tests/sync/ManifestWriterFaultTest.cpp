// Faults during a manifest write: one trial per Env call of a write, each failing that
// call once with ENOSPC, EIO or EACCES; and a simulated crash at every call. The previous
// generation must stay readable, the result must be the mapped failure, and the main
// name must never disappear.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/app/KitrosterApp.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "testing/log/LogCapture.h"
#include "sync/ErrorMapping.h"
#include "tests/sync/ManifestTestSupport.h"
#include "tests/sync/SyncTestServices.h"

using namespace manifest_test;
using kitroster::CTempDir;
using kitroster::CTestEnv;
using kitroster::EnvOp;

namespace {

class ManifestWriterFaultTest : public ::testing::TestWithParam<bool> {
  protected:
    CTempDir m_dir;
    CTestEnv m_env;
    CAppServicesOverride m_services{sync_test::WithEnv(&m_env)};
    std::string m_main = m_dir.Path("cat.mfs");
    const std::vector<Rec> m_old = Generation(1, 3);
    const std::vector<Rec> m_new = Generation(2, 2000);  // more than one buffer of blocks

    void Reset() {
        m_env.ClearFaults();
        for (const char* ext : {"mfs", "mf2", "mfp", "mfl", "mfr"})
            m_env.DeleteFile(m_dir.Path(std::string("cat.") + ext));
        ASSERT_EQ(Write(m_main, Generation(0, 1)), S_OK);
        ASSERT_EQ(Write(m_main, m_old), S_OK);
        m_env.ResetCounts();
    }
    size_t BackupSize() {
        kitroster::FileInfo info;
        m_env.GetFileInfo(m_dir.Path("cat.mf2"), &info);
        return info.size;
    }
    HRESULT WriteNew() {
        return CZRManifestPersistWriter::CreateInstance(m_main, "new", MakeSet(m_new), 0,
                                                        GetParam(), 100)
            ->GetResult();
    }
};

// The operations a write performs, counted in one clean run.
std::vector<std::pair<EnvOp, int>> CallsOfOneWrite(CTestEnv& env) {
    std::vector<std::pair<EnvOp, int>> calls;
    for (int op = 0; op < static_cast<int>(EnvOp::kCount); ++op) {
        if (op == static_cast<int>(EnvOp::kSleep))
            continue;
        int count = env.CallCount(static_cast<EnvOp>(op));
        for (int n = 1; n <= count; ++n)
            calls.emplace_back(static_cast<EnvOp>(op), n);
    }
    return calls;
}

TEST_P(ManifestWriterFaultTest, EveryCallFailingOnceKeepsAWholeGeneration) {
    Reset();
    ASSERT_EQ(WriteNew(), S_OK);
    const auto calls = CallsOfOneWrite(m_env);
    ASSERT_GE(calls.size(), 8u);

    int trials = 0;
    for (int err : {ENOSPC, EIO, EACCES}) {
        const uint32_t error = kitroster::Win32ErrorFromErrno(err);
        for (auto [op, n] : calls) {
            SCOPED_TRACE(std::string(kitroster::EnvOpName(op)) + " #" + std::to_string(n) +
                         " errno " + std::to_string(err));
            Reset();
            m_env.FailNth(op, n, error);
            const HRESULT hr = WriteNew();
            ++trials;
            m_env.ClearFaults();
            ReadResult now = Read(m_main);
            ASSERT_EQ(now.hr, S_OK);
            EXPECT_FALSE(m_env.FileExists(m_dir.Path("cat.mfp")));
            if (SUCCEEDED(hr)) {
                // Failures of calls the write retries or does without.
                EXPECT_EQ(hr, S_OK);
                EXPECT_EQ(now.records, m_new);
                EXPECT_EQ(BackupSize(), (1 + m_old.size()) * kManifestBlockSize);
                continue;
            }
            EXPECT_EQ(hr, ZRSYNC::HResultFromWin32(error));
            // Only a failure after the new file took the main name leaves it there (the
            // folder sync; a failed final close is only logged); the previous generation is
            // then the backup.
            const bool afterPublish = op == EnvOp::kSyncDirectory;
            EXPECT_EQ(now.records, afterPublish ? m_new : m_old);
            if (afterPublish) {
                EXPECT_EQ(BackupSize(), (1 + m_old.size()) * kManifestBlockSize);
            }
        }
    }
    EXPECT_EQ(trials, 3 * static_cast<int>(calls.size()));
    RecordProperty("trials", trials);
}

TEST_P(ManifestWriterFaultTest, CrashAtEveryCallLeavesTheMainName) {
    Reset();
    ASSERT_EQ(WriteNew(), S_OK);
    const size_t total = CallsOfOneWrite(m_env).size();
    for (size_t n = 1; n <= total + 1; ++n) {
        SCOPED_TRACE("crash at call " + std::to_string(n));
        Reset();
        m_env.FailAllFrom(static_cast<int>(n), kitroster::kErrorIoDevice);
        WriteNew();
        m_env.ClearFaults();
        ReadResult now = Read(m_main);
        ASSERT_EQ(now.hr, S_OK);
        EXPECT_TRUE(now.records == m_old || now.records == m_new);
    }
}

// Where the file system keeps no second names, the write publishes by two plain renames;
// a failed close after publishing leaves the new generation standing.
TEST_P(ManifestWriterFaultTest, PublishingWithoutHardLinks) {
    using kitroster::kErrorAccessDenied;
    using kitroster::kErrorDiskFull;
    struct Case {
        const char* what;
        uint32_t linkError;  // every LinkFile fails with it; 0: links work
        EnvOp failOp;
        const char* failPath;
        uint32_t failError;
        bool failAlways;
        HRESULT hr;
        bool newIsMain;
        const char* log;
    };
    const Case cases[] = {
        {"EPERM", kErrorAccessDenied, EnvOp::kCount, "", 0, false, S_OK, true, nullptr},
        {"ENOTSUP", kitroster::kErrorNotSupported, EnvOp::kCount, "", 0, false, S_OK, true,
         nullptr},
        {"EXDEV", kitroster::kErrorNotSameDevice, EnvOp::kCount, "", 0, false, S_OK, true, nullptr},
        {"EPERM, the temporary file cannot take the main name", kErrorAccessDenied,
         EnvOp::kMoveFile, "cat.mfp", kErrorDiskFull, false,
         ZRSYNC::HResultFromWin32(kErrorDiskFull), false, "failed to rename tmpPath"},
        {"EPERM, the main file cannot become the backup", kErrorAccessDenied, EnvOp::kMoveFile,
         "cat.mfs", kErrorAccessDenied, true, HRESULT_SHARING_VIOLATION, false, "TIMEOUT EXPIRED"},
        {"links work, the close after publishing fails", 0, EnvOp::kClose, "cat.mfp",
         kitroster::kErrorIoDevice, false, S_OK, true, "failed to fclose() after publishing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        if (c.linkError)
            m_env.FailFrom(EnvOp::kLinkFile, 1, c.linkError);
        if (c.failOp != EnvOp::kCount && c.failAlways)
            m_env.FailFrom(c.failOp, 1, c.failError, c.failPath);
        else if (c.failOp != EnvOp::kCount)
            m_env.FailNth(c.failOp, 1, c.failError, c.failPath);
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        EXPECT_EQ(WriteNew(), c.hr);
        if (c.log) {
            EXPECT_TRUE(log.Contains(c.log));
        }
        m_env.ClearFaults();
        ReadResult now = Read(m_main);
        ASSERT_EQ(now.hr, S_OK);
        EXPECT_EQ(now.records, c.newIsMain ? m_new : m_old);
        if (c.newIsMain) {
            EXPECT_EQ(BackupSize(), (1 + m_old.size()) * kManifestBlockSize);
        }
        for (const char* ext : {"mfp", "mfl"})
            EXPECT_FALSE(m_env.FileExists(m_dir.Path(std::string("cat.") + ext))) << ext;
    }
}

INSTANTIATE_TEST_SUITE_P(CommitOrNot, ManifestWriterFaultTest, ::testing::Bool());

}  // namespace
