#include <gtest/gtest.h>

#include "platform/process/HostName.h"

TEST(HostNameTest, Grammar) {
    struct Case {
        std::string host;
        bool valid;
    } cases[] = {
        {"srv", true},
        {"time-1.corp.example", true},
        {"example.org.", true},
        {"3com.net", true},
        {"192.168.0.1", true},
        {"::1", true},
        {"fe80::1:2", true},
        {"[2001:db8::1]", true},
        {std::string(63, 'a'), true},
        {std::string(64, 'a'), false},
        {"", false},
        {"-q", false},
        {"a-", false},
        {"a..b", false},
        {".a", false},
        {"999.1.1.1", false},
        {"a b", false},
        {"srv\"", false},
        {"srv;reboot", false},
        {"\\\\srv", false},
        {"a_b", false},
        {std::string("a\0b", 3), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kitroster::IsValidHostName(c.host), c.valid) << c.host;
    std::string longName;
    for (int i = 0; i < 64; ++i)
        longName += "abc.";
    EXPECT_FALSE(kitroster::IsValidHostName(longName)) << "over 253 characters";
}
