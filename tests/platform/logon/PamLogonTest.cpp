// PAM log-on against a private PAM folder: never the machine's /etc/pam.d.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <fstream>

#include "testing/env/TempDir.h"
#include "platform/logon/Logon.h"

using kitroster::CPamLogon;
using kitroster::LogonAccount;

namespace {

class PamLogonTest : public ::testing::Test {
  protected:
    kitroster::CTempDir m_dir;
    void Service(const std::string& name, const std::string& module) {
        std::ofstream(m_dir.Path(name)) << "auth required " << module << "\n"
                                        << "account required " << module << "\n";
    }
    std::string Me() { return getpwuid(geteuid())->pw_name; }
};

TEST_F(PamLogonTest, PermitAndDeny) {
    Service("kitroster", "pam_permit.so");
    Service("denied", "pam_deny.so");
    struct Case {
        const char* service;
        std::string user;
        bool ok;
    } cases[] = {
        {"kitroster", Me(), true},
        {"kitroster", "WORKGROUP\\" + Me(), true},
        {"kitroster", "no-such-user-kr", false},  // PAM says yes, but no such account
        {"kitroster", "", false},
        {"denied", Me(), false},
        {"absent", Me(), false},  // no service file and no "other"
    };
    for (const Case& c : cases) {
        CPamLogon logon(c.service, m_dir.path());
        LogonAccount account;
        uint32_t error = 0;
        EXPECT_EQ(logon.LogonUser(c.user, "secret", &account, &error), c.ok)
            << c.service << " " << c.user;
        if (c.ok) {
            EXPECT_EQ(account.uid, geteuid());
            EXPECT_EQ(account.name, Me());
            EXPECT_EQ(error, 0u);
        } else {
            EXPECT_EQ(error, kitroster::kErrorLogonFailure);
        }
    }
}

}  // namespace
