#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/queries/SyncRequest.h"
#include "platform/sync_client/SyncServiceClient.h"
#include "testing/env/TestEnv.h"
#include "testing/log/LogCapture.h"

namespace NResourceItem {
namespace {

using kitroster::AppServices;
using kitroster::CTestEnv;
using kitroster::EnvOp;

// A service that answers from a script; after the script the last status repeats. The
// first GetStatus takes `firstPollMs` of the fake clock, the others none.
class CScriptedSyncService : public kitroster::ISyncServiceClient {
  public:
    enum class EFail { None, Seconds, SyncNow, ThirdStatus };

    CScriptedSyncService(CTestEnv* env, bool running, int32_t seconds,
                         std::vector<int32_t> statuses, EFail fail, uint32_t firstPollMs)
        : m_env(env),
          m_running(running),
          m_seconds(seconds),
          m_statuses(std::move(statuses)),
          m_fail(fail),
          m_firstPollMs(firstPollMs) {}

    bool IsScannerServiceRunning() override {
        ++runningCalls;
        return m_running;
    }
    bool GetStatus(int32_t* status) override {
        if (m_polls == 0)
            m_env->AdvanceTime(m_firstPollMs);
        if (m_fail == EFail::ThirdStatus && m_polls == 2)
            return false;
        *status = m_statuses[std::min(m_polls++, m_statuses.size() - 1)];
        return true;
    }
    bool GetSecondsSinceLastSync(int32_t* seconds) override {
        *seconds = m_seconds;
        return m_fail != EFail::Seconds;
    }
    bool SyncNow() override {
        ++syncNowCalls;
        return m_fail != EFail::SyncNow;
    }

    int runningCalls = 0;
    int syncNowCalls = 0;

  private:
    CTestEnv* m_env;
    bool m_running;
    int32_t m_seconds;
    std::vector<int32_t> m_statuses;
    EFail m_fail;
    uint32_t m_firstPollMs;
    size_t m_polls = 0;
};

constexpr const char* kSuppressed = "ZRSYNC operation suppressed by 'bResync' parameter.";
constexpr const char* kNotRunning = "ZRSYNC server is NOT running";
constexpr const char* kFresh = "ZRSYNC server has synchronized within the past 30 seconds.";
constexpr const char* kIdle = "ZRSync server is IDLE";
constexpr const char* kAck = "ZRSync server has acknowledged SyncNow() request...";
constexpr const char* kDone = "ZRSync server has completed SyncNow() request.";
constexpr const char* kFault = "ZRSync server has faulted on SyncNow() request!";
constexpr const char* kUnknown = "ZRSync server has reported an unknown status value!";
constexpr const char* kTimeout = "ZRSync server timeout waiting for SyncNow() to complete!";
constexpr const char* kFailure = "ZRSync server - unexpected exception upon SyncNow() request!";
constexpr const char* kCapped =
    "ZRSync server still busy after 5 minutes; no longer waiting for SyncNow()!";

// The log of a request, one letter an entry.
std::string LogCodes(const std::vector<CLogCapture::Entry>& entries) {
    const std::pair<char, const char*> texts[] = {
        {'S', kSuppressed}, {'N', kNotRunning}, {'R', kFresh},  {'I', kIdle},
        {'A', kAck},        {'D', kDone},       {'F', kFault},  {'U', kUnknown},
        {'T', kTimeout},    {'X', kFailure},    {'C', kCapped},
    };
    std::string codes;
    for (const CLogCapture::Entry& entry : entries) {
        EXPECT_EQ(entry.component, "KITROSTER");
        EXPECT_EQ(entry.level, ZRLOG_INFO);
        EXPECT_EQ(entry.file, "ResMgrDlg");
        char code = '?';
        for (const auto& [letter, text] : texts) {
            if (entry.text == text)
                code = letter;
        }
        codes += code;
    }
    return codes;
}

TEST(SyncRequestTest, ConversationFollowsTheServiceAndTheClock) {
    using EFail = CScriptedSyncService::EFail;
    using enum CScriptedSyncService::EFail;
    using O = ESyncOutcome;
    struct Case {
        const char* name;
        bool resync;
        bool running;
        int32_t seconds;
        std::vector<int32_t> statuses;
        EFail fail;
        uint32_t startTick;
        uint32_t firstPollMs;
        ESyncOutcome outcome;
        int polls;
        uint64_t sleptMs;
        std::string log;  // LogCodes
    };
    const uint32_t kTick = CTestEnv::kInitialTickCount;
    const uint32_t kNearWrap = 0xFFFFFFFFu - 2500u;
    const std::string idle6(6, 'I');
    const std::string ackIdle = "A" + std::string(21, 'I') + "T";
    const std::string ack302 = std::string(302, 'A') + "C";
    std::vector<int32_t> ack400(400, 1);
    ack400.push_back(2);
    const Case cases[] = {
        {"resync false", false, true, 60, {2}, None, kTick, 0, O::Suppressed, 0, 0, "S"},
        {"not running", true, false, 60, {2}, None, kTick, 0, O::NotRunning, 0, 0, "N"},
        {"30 s ago", true, true, 30, {2}, None, kTick, 0, O::Fresh, 0, 0, "R"},
        {"31 s ago", true, true, 31, {2}, None, kTick, 0, O::Completed, 1, 1000, "D"},
        // Polls at 0, 1000, ... 6000 ms; 5000 is not yet more than the time-out.
        {"idle", true, true, 60, {0}, None, kTick, 0, O::TimedOut, 7, 6000, idle6 + "IT"},
        {"1, 1, 2", true, true, 60, {1, 1, 2}, None, kTick, 0, O::Completed, 3, 3000, "AAD"},
        {"9999", true, true, 60, {9999}, None, kTick, 0, O::Faulted, 1, 1000, "F"},
        {"7 goes on", true, true, 60, {7, 2}, None, kTick, 0, O::Completed, 2, 2000, "UD"},
        // The acknowledgement starts a 20 s window at its own poll.
        {"1 then idle", true, true, 60, {1, 0}, None, kTick, 0, O::TimedOut, 22, 21000, ackIdle},
        // A final status that comes after the time-out is logged with the time-out.
        {"late completion", true, true, 60, {2}, None, kTick, 5001, O::Completed, 1, 0, "DT"},
        // One slow poll puts the sixth at 5001 ms: over the time-out, wrapped or not (the
        // wrap formula (0xFFFFFFFF - start) + now would come 1 ms short).
        {"slow poll", true, true, 60, {0}, None, kTick, 1, O::TimedOut, 6, 5000, idle6 + "T"},
        {"wrap", true, true, 60, {0}, None, kNearWrap, 1, O::TimedOut, 6, 5000, idle6 + "T"},
        {"seconds fail", true, true, 60, {2}, Seconds, kTick, 0, O::Failed, 0, 0, "X"},
        {"SyncNow fails", true, true, 60, {2}, SyncNow, kTick, 0, O::Failed, 0, 0, "X"},
        {"poll 3 fails", true, true, 60, {0}, ThirdStatus, kTick, 0, O::Failed, 2, 2000, "IIX"},
        // Acknowledged at every poll: the 20 s windows never end, the 5 minute cap does, at
        // the first poll past 300 s (a completion at poll 401 would come far too late).
        {"1 for ever", true, true, 60, ack400, None, kTick, 0, O::TimedOut, 302, 301000, ack302},
        {"1s, wrap", true, true, 60, ack400, None, kNearWrap, 0, O::TimedOut, 302, 301000, ack302},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestEnv env;
        env.SetTickCount(c.startTick);
        CScriptedSyncService service(&env, c.running, c.seconds, c.statuses, c.fail, c.firstPollMs);
        AppServices replacement;
        replacement.env = &env;
        replacement.syncClient = &service;
        CAppServicesOverride services(replacement);
        CLogCapture log;

        const SSyncRequestResult result = RequestSync(c.resync);

        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.polls, c.polls);
        EXPECT_EQ(env.TotalSleptMilliseconds(), c.sleptMs);
        EXPECT_EQ(env.CallCount(EnvOp::kSleep) * uint64_t{1000}, c.sleptMs);
        EXPECT_EQ(service.runningCalls, c.resync ? 1 : 0);
        const bool asked = c.resync && c.running && c.seconds > 30 && c.fail != Seconds;
        EXPECT_EQ(service.syncNowCalls, asked ? 1 : 0);
        EXPECT_EQ(LogCodes(log.Entries()), c.log);
    }
}

}  // namespace
}  // namespace NResourceItem
