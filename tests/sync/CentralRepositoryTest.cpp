// The central repository checks: availability (ping and share test) and clock agreement.
#include <gtest/gtest.h>

#include "testing/log/LogCapture.h"
#include "sync/config/SyncConfigurator.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineMgrModel.h"
#include "tests/sync/SyncTestServices.h"

using namespace ZRSYNC;

namespace {

class CentralRepositoryTest : public ::testing::Test {
  protected:
    sync_test::SyncWorld w;
    std::vector<std::string> pinged;
    bool answer = true;
    kitroster::AppServices PingServices() {
        kitroster::AppServices s = sync_test::WithEnv(&w.server, &w.registry, &w.identity);
        s.ping = [this](const char* host, int waitMs) {
            pinged.push_back(std::string(host) + "/" + std::to_string(waitMs));
            return answer;
        };
        return s;
    }
    CAppServicesOverride m_ping{PingServices()};

    void UseServer() {
        w.registry.SetString(RegKeys::kCorvent, "CentralServer", "srv");
        w.env.CreateDirectory(w.dir.Path("unc"));
        w.env.CreateDirectory(w.dir.Path("unc/srv"));
        w.env.CreateDirectory(w.dir.Path("unc/srv/Wavelore"));
    }
};

TEST_F(CentralRepositoryTest, Availability) {
    CMachineMgrModel model;
    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    EXPECT_FALSE(CSyncConfigurator::CreateInstance("Notes")->isCentralRepositoryAvailable({}));
    EXPECT_TRUE(pinged.empty()) << "a local repository is never pinged";
    EXPECT_TRUE(log.Contains("configurated to be on the local machine"));

    UseServer();
    auto c = CSyncConfigurator::CreateInstance("Notes");
    EXPECT_TRUE(c->isCentralRepositoryAvailable({}));
    EXPECT_EQ(pinged.back(), "SRV/5000");
    EXPECT_TRUE(c->isCentralRepositoryAvailable({true, &model}));
    w.env.FailNth(kitroster::EnvOp::kOpenFile, 1, kitroster::kErrorAccessDenied,
                  CMachineMgrModel::kProbeFile2);
    EXPECT_FALSE(c->isCentralRepositoryAvailable({true, &model}));
    answer = false;
    EXPECT_FALSE(c->isCentralRepositoryAvailable({}));
}

TEST_F(CentralRepositoryTest, NoCentralRootGivesNoMeasurement) {
    auto c = CSyncConfigurator::CreateInstance("Notes");  // "(local)": no central root
    HRESULT result = 0;
    EXPECT_TRUE(c->isCentralRepositoryClockSynchronized(&result));
    EXPECT_EQ(result, E_ABORT);
    EXPECT_TRUE(w.env.OpenedForWrite().empty()) << "no probe file anywhere";
}

TEST_F(CentralRepositoryTest, ClockAgreement) {
    UseServer();
    auto c = CSyncConfigurator::CreateInstance("Notes");
    const int64_t second = 10000000;
    struct Case {
        int64_t offset;
        bool synchronised;
        HRESULT result;
        const char* message;
    } cases[] = {
        {600 * second, true, S_OK, "Server clock 10 minutes ahead"},
        {601 * second, false, E_FAIL,
         "more than 10 minutes ahead of this machine [\\\\srv\\Wavelore]"},
        {-300 * second, true, S_OK, nullptr},
        {-301 * second, false, E_FAIL, "more than 5 minutes behind"},
        {-30 * second, true, S_OK, "Server clock 30 seconds behind"},
        {7200 * second, false, E_FAIL, "2 hours ahead"},
    };
    for (const Case& k : cases) {
        w.server.offset = k.offset;
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        HRESULT result = 12345;
        EXPECT_EQ(c->isCentralRepositoryClockSynchronized(&result), k.synchronised) << k.offset;
        EXPECT_EQ(result, k.result);
        if (k.message) {
            EXPECT_TRUE(log.Contains(k.message)) << k.message;
        }
    }
    // No measurement: synchronisation is not blocked.
    w.env.FailNth(kitroster::EnvOp::kOpenFile, 1, kitroster::kErrorBadNetPath, ".bin");
    HRESULT result = 0;
    EXPECT_TRUE(c->isCentralRepositoryClockSynchronized(&result));
    EXPECT_EQ(result, E_ABORT);
}

}  // namespace
