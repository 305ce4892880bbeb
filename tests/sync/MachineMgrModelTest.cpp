// Machine operations on the test Env with scripted commands, log-on and impersonation.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "testing/log/LogCapture.h"
#include "sync/ErrorMapping.h"
#include "sync/config/PasswordCipher.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineMgrModel.h"
#include "sync/time/SyncTimeCheck.h"
#include "tests/sync/SyncTestServices.h"

using namespace ZRSYNC;

namespace {

class MachineMgrModelTest : public ::testing::Test {
  protected:
    sync_test::SyncWorld w;

    std::string StoredUser() {
        std::string user, password;
        GetShareCredentials(&user, &password);
        return user;
    }
    void UseShare(const std::string& root) {
        SetCommonSettingsUncRoot(root);
        w.env.CreateDirectory(w.dir.Path("unc"));
        w.env.CreateDirectory(w.dir.Path("unc/srv"));
        w.env.CreateDirectory(w.dir.Path("unc/srv/Wavelore"));
    }
};

TEST_F(MachineMgrModelTest, SystemAccountIsRoot) {
    EXPECT_TRUE(CMachineMgrModel::IsRunningUnderSystemAccount());
    w.identity.uid = 1000;
    w.identity.user = "SYSTEM";  // the name means nothing here
    EXPECT_FALSE(CMachineMgrModel::IsRunningUnderSystemAccount());
}

TEST_F(MachineMgrModelTest, CommandsRetryOnceWithTheDefaultAccount) {
    struct Case {
        const char* what;
        bool useCredentials;
        std::string storedUser;
        bool logonAccepts;
        std::vector<uint32_t> exits;
        uint32_t result;
        size_t runs;
        std::string userAfter;
        const char* message;
    } cases[] = {
        {"retry works", true, "", true, {5, 0}, 0, 2, "zruser", "automatically switched to zruser"},
        {"retry fails", true, "", true, {5, 7}, 7, 2, "", "clearing credentials"},
        {"no credentials wanted", false, "", true, {5}, 5, 1, "", nullptr},
        {"stored user", true, "op", true, {0}, 0, 1, "op", "CreateProcessAsUser(net time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetShareCredentials(c.storedUser, "pw");
        w.launcher.requests.clear();
        w.launcher.script.clear();
        for (uint32_t e : c.exits)
            w.launcher.Exit(e);
        w.logon.accept = c.logonAccepts;
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        uint32_t rc = CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(
            "net time \\\\srv /SET /Y", c.useCredentials);
        EXPECT_EQ(rc, c.result);
        ASSERT_EQ(w.launcher.requests.size(), c.runs);
        EXPECT_EQ(w.launcher.requests[0].argv,
                  (std::vector<std::string>{"net", "time", "\\\\srv", "/SET", "/Y"}));
        EXPECT_EQ(StoredUser(), c.userAfter);
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message)) << c.message;
        }
    }
    // Under stored credentials accepted by log-on, root runs the command as the account.
    SetShareCredentials("op", "pw");
    w.launcher.requests.clear();
    w.logon.accept = true;
    CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion("true", true);
    ASSERT_TRUE(w.launcher.requests.back().runAs.has_value());
    EXPECT_EQ(w.launcher.requests.back().runAs->uid, 4242u);
    // Not root: the process's own user.
    w.identity.uid = 1000;
    CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion("true", true);
    EXPECT_FALSE(w.launcher.requests.back().runAs.has_value());
}

// A stored account that is refused, at log-on or when the command is started as it,
// is a failure with its code; the command never runs as the process (root) instead.
TEST_F(MachineMgrModelTest, RefusedAccountsRunNothingAsRoot) {
    struct Case {
        const char* what;
        std::string storedUser;
        uint32_t uid;
        bool logonAccepts;
        std::vector<kitroster::ProcessOutcome> outcomes;
        uint32_t result;
        std::vector<bool> runsAsAccount;  // one entry per run
        std::string userAfter;
        const char* message;
    } cases[] = {
        {"stored account refused", "op", 0, false, {}, 1326, {}, "op",
         "log-on as user op refused (0x8007052e)"},
        {"refused, not root", "op", 1000, false, {}, 1326, {}, "op", "refused"},
        {"default account refused on retry", "", 0, false, {{true, 5, 0}}, 1326, {false}, "",
         "clearing credentials"},
        {"start as the account refused", "op", 0, true, {{false, 0, 5}}, 5, {true}, "op",
         "CreateProcessAsUser"},
        {"the account's command fails", "op", 0, true, {{true, 1, 0}}, 1, {true}, "op", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetShareCredentials(c.storedUser, "pw");
        w.identity.uid = c.uid;
        w.logon.accept = c.logonAccepts;
        w.launcher.requests.clear();
        w.launcher.script.assign(c.outcomes.begin(), c.outcomes.end());
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        EXPECT_EQ(CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion("rm -f /x", true),
                  c.result);
        std::vector<bool> asAccount;
        for (const kitroster::ProcessRequest& r : w.launcher.requests)
            asAccount.push_back(r.runAs.has_value());
        EXPECT_EQ(asAccount, c.runsAsAccount);
        EXPECT_EQ(StoredUser(), c.userAfter);
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message)) << c.message;
        }
    }
}

// The original buffer held 511 characters: a longer command line is refused, never cut.
TEST_F(MachineMgrModelTest, LongCommandLinesAreRefusedNotCut) {
    const std::string prefix = "rm -f /tmp/";
    struct Case {
        size_t length;
        bool useCredentials;
        uint32_t result;
        size_t runs;
    } cases[] = {
        {511, false, 0, 1},
        {512, false, 0x80070057u, 0},
        {512, true, 0x80070057u, 0},
        {5000, false, 0x80070057u, 0},
    };
    SetShareCredentials("op", "pw");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        w.launcher.requests.clear();
        w.logon.users.clear();
        const std::string line = prefix + std::string(c.length - prefix.size(), 'a');
        EXPECT_EQ(CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(line.c_str(),
                                                                              c.useCredentials),
                  c.result);
        ASSERT_EQ(w.launcher.requests.size(), c.runs);
        if (c.runs)
            EXPECT_EQ(w.launcher.requests[0].argv.back().size(), c.length - 6);
        else
            EXPECT_TRUE(w.logon.users.empty()) << "refused before log-on";
    }
}

TEST_F(MachineMgrModelTest, StartFailureIsTheSystemError) {
    w.launcher.NotStarted(2);
    EXPECT_EQ(CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion("missing", false), 2u);
}

TEST_F(MachineMgrModelTest, ShareTestPreconditions) {
    CMachineMgrModel model;
    SetCommonSettingsUncRoot("C:\\share");
    EXPECT_EQ(model.TestCommonSettingsUncRootAccess(2), ZRSYNC_E_NOT_UNC);
    SetCommonSettingsUncRoot("\\\\ws01\\Wavelore");
    EXPECT_EQ(model.TestCommonSettingsUncRootAccess(2), ZRSYNC_E_SERVER_IS_LOCAL);
    UseShare("\\\\srv\\Wavelore");
    EXPECT_EQ(model.TestCommonSettingsUncRootAccess(0), S_OK);
    EXPECT_EQ(w.impersonations, (std::vector<std::string>{"impersonate zruser", "revert"}));
}

// A share user this machine has no account for (the default "zruser" usually) is tested
// as the process itself, with a warning; other impersonation failures stop the test.
TEST_F(MachineMgrModelTest, ShareUserWithoutALocalAccount) {
    CMachineMgrModel model;
    UseShare("\\\\srv\\Wavelore");
    struct Case {
        int32_t impersonation;
        uint32_t flags;
        HRESULT hr;
        const char* message;
        uint32_t level;
    } cases[] = {
        {0, 2, S_OK, nullptr, 0},
        {static_cast<int32_t>(0x80070534), 2, S_OK,
         "user zruser has no account on this machine - testing as root without impersonation",
         ZRLOG_WARNING},
        {static_cast<int32_t>(0x80070534), 0, S_OK, "without impersonation", ZRLOG_WARNING},
        {static_cast<int32_t>(0x80070005), 2, E_ACCESSDENIED, "failed to impersonate user zruser",
         ZRLOG_INFO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.impersonation);
        w.impersonateResult = c.impersonation;
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        EXPECT_EQ(model.TestCommonSettingsUncRootAccess(c.flags), c.hr);
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message, c.level)) << c.message;
        }
    }
    // As the process, a probe that cannot be written still fails the test.
    w.impersonateResult = static_cast<int32_t>(0x80070534);
    w.env.ClearFaults();
    w.env.FailNth(kitroster::EnvOp::kOpenFile, 1, kitroster::kErrorAccessDenied,
                  CMachineMgrModel::kProbeFile2);
    EXPECT_EQ(model.TestCommonSettingsUncRootAccess(2), E_ACCESSDENIED);
}

TEST_F(MachineMgrModelTest, ShareProbesAndFaults) {
    CMachineMgrModel model;
    UseShare("\\\\srv\\Wavelore");
    EXPECT_EQ(model.TestCommonSettingsUncRootAccess(3), S_OK);
    EXPECT_FALSE(w.env.FileExists(w.dir.Path("unc/srv/Wavelore/") + CMachineMgrModel::kProbeFile2));
    struct Case {
        kitroster::EnvOp op;
        uint32_t error;
        const char* message;
    } cases[] = {
        {kitroster::EnvOp::kOpenFile, kitroster::kErrorAccessDenied, "failed to open to"},
        {kitroster::EnvOp::kWrite, kitroster::kErrorDiskFull, "failed to write to"},
        {kitroster::EnvOp::kClose, kitroster::kErrorIoDevice, "failed to close"},
        {kitroster::EnvOp::kDeleteFile, kitroster::kErrorAccessDenied, "failed to remove to"},
    };
    for (const Case& c : cases) {
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        w.env.ClearFaults();
        w.env.FailNth(c.op, 1, c.error, CMachineMgrModel::kProbeFile2);
        EXPECT_EQ(model.TestCommonSettingsUncRootAccess(2), HResultFromWin32(c.error));
        EXPECT_TRUE(log.Contains(c.message)) << c.message;
    }
    w.env.ClearFaults();
    SetCommonSettingsUncRoot("\\\\srv\\Missing");
    EXPECT_EQ(model.TestCommonSettingsUncRootAccess(1), HRESULT_PATH_NOT_FOUND);
}

TEST_F(MachineMgrModelTest, ClockAndRegistryTests) {
    CMachineMgrModel model;
    UseShare("\\\\srv\\Wavelore");
    const int64_t minute = 60LL * 10000000;
    struct Case {
        int64_t offset;
        uint32_t flags;
        HRESULT hr;
        const char* message;
    } cases[] = {
        {11 * minute, 4, ZRSYNC_S_CLOCK_OUT_OF_RANGE, "more than 11 minutes ahead"},
        {10 * minute, 4, S_OK, "Server clock 10 minutes ahead"},
        {-4 * minute, 4, S_OK, "4 minutes behind of this machine"},
        {-6 * minute, 4, ZRSYNC_S_CLOCK_OUT_OF_RANGE, "more than 6 minutes behind"},
        {-6 * minute, 0xC, S_OK, nullptr},  // the registry test's result replaces 0x3EB
        {0, 8, S_OK, nullptr},
    };
    for (const Case& c : cases) {
        w.server.offset = c.offset;
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        EXPECT_EQ(model.TestCommonSettingsUncRootAccess(c.flags), c.hr) << c.offset;
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message)) << c.message;
        }
    }
}

// Runs a hook when the share test impersonates, to change the world mid-test.
class CHookImpersonator : public kitroster::IThreadImpersonator {
  public:
    explicit CHookImpersonator(std::function<void()> hook) : m_hook(std::move(hook)) {}
    int32_t Impersonate(const std::string&) override {
        m_hook();
        return 0;
    }
    void Revert() override {}
    bool IsImpersonating() const override { return false; }

  private:
    std::function<void()> m_hook;
};

// A failed clock probe or registry test is never reported as 0; the registry test
// reports the store's system error when there is one.
TEST_F(MachineMgrModelTest, ShareTestFailuresCarryTheirError) {
    CMachineMgrModel model;
    UseShare("\\\\srv\\Wavelore");
    const std::string unusable = w.dir.Path("unusable-store");
    std::filesystem::create_directory(unusable);
    kitroster::CRegistry brokenStore(unusable);
    std::optional<CAppServicesOverride> swapped;
    enum class Hook { kNone, kUnusableStore, kOtherValue };
    Hook hook = Hook::kNone;
    ZRSYNC::MachineServices services;
    services.createImpersonator = [&] {
        return std::make_unique<CHookImpersonator>([&] {
            if (hook == Hook::kUnusableStore && !swapped)
                swapped.emplace(sync_test::WithEnv(&w.server, &brokenStore, &w.identity));
            if (hook == Hook::kOtherValue)
                w.registry.SetDword(RegKeys::kZRSync, RegNames::kRegistryAccessTestValue, 7);
        });
    };
    ZRSYNC::CMachineServicesOverride machine(services);
    struct Case {
        const char* what;
        uint32_t flags;
        kitroster::EnvOp op;
        uint32_t error;
        Hook hook;
        HRESULT hr;
    } cases[] = {
        {"clock probe not writable", 4, kitroster::EnvOp::kOpenFile, kitroster::kErrorAccessDenied,
         Hook::kNone, static_cast<HRESULT>(0x80070005)},
        {"clock probe write fails", 4, kitroster::EnvOp::kWrite, kitroster::kErrorDiskFull,
         Hook::kNone, static_cast<HRESULT>(0x80070070)},
        {"store unusable", 8, kitroster::EnvOp::kOpenFile, 0, Hook::kUnusableStore,
         static_cast<HRESULT>(0x800703F3)},
        {"value changed under the test", 8, kitroster::EnvOp::kOpenFile, 0, Hook::kOtherValue,
         E_ACCESSDENIED},
        {"all pass", 0xF, kitroster::EnvOp::kOpenFile, 0, Hook::kNone, S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w.env.ClearFaults();
        if (c.error)
            w.env.FailNth(c.op, 1, c.error, CSyncTimeCheck::kProbeFileName);
        hook = c.hook;
        EXPECT_EQ(model.TestCommonSettingsUncRootAccess(c.flags), c.hr);
        swapped.reset();
    }
}

TEST(ClockOffsetTextTest, LargestWholeUnit) {
    struct Case {
        int64_t seconds;
        const char* text;
    } cases[] = {{90, "1 minute"},  {59, "59 seconds"},  {61, "1 minute"},
                 {7200, "2 hours"}, {-30, "30 seconds"}, {3600, "1 hour"},
                 {1, "1 second"},   {0, "0 seconds"},    {-7260, "2 hours"}};
    for (const Case& c : cases)
        EXPECT_EQ(FormatClockOffset(c.seconds), c.text) << c.seconds;
}

}  // namespace
