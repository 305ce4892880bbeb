// Per-thread impersonation: files created while impersonating belong to the account;
// other threads and the state after Revert are untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <thread>

#include "platform/clipkit/ThreadImpersonator.h"
#include "testing/env/TempDir.h"

namespace {

uid_t OwnerOf(const std::string& path) {
    struct stat st = {};
    ::stat(path.c_str(), &st);
    return st.st_uid;
}

TEST(ThreadImpersonatorTest, FilesBelongToTheImpersonatedAccount) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "impersonation needs root";
    kitroster::CTempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    // A thread that already runs keeps its ids (a thread started later would inherit
    // the impersonation from its creator, as on Windows).
    std::promise<void> go;
    uid_t otherThreadOwner = 1;
    std::thread other([&, started = go.get_future()]() mutable {
        started.wait();
        std::ofstream(dir.Path("other-thread")) << "x";
        otherThreadOwner = OwnerOf(dir.Path("other-thread"));
    });
    auto impersonator = kitroster::CreateThreadImpersonator();
    ASSERT_EQ(impersonator->Impersonate("WORKGROUP\\nobody"), 0);
    EXPECT_TRUE(impersonator->IsImpersonating());
    std::ofstream(dir.Path("as-nobody")) << "x";
    go.set_value();
    other.join();
    impersonator->Revert();
    std::ofstream(dir.Path("as-root")) << "x";
    EXPECT_EQ(OwnerOf(dir.Path("as-nobody")), 65534u);
    EXPECT_EQ(otherThreadOwner, 0u);
    EXPECT_EQ(OwnerOf(dir.Path("as-root")), 0u);
    EXPECT_FALSE(impersonator->IsImpersonating());
}

TEST(ThreadImpersonatorTest, UnknownAccountIsRefused) {
    auto impersonator = kitroster::CreateThreadImpersonator();
    int32_t hr = impersonator->Impersonate("no-such-user-kr");
    if (::geteuid() == 0) {
        EXPECT_EQ(hr, kitroster::kImpersonateUnknownAccount);
    } else {
        EXPECT_EQ(hr, 0) << "without root the impersonator is a no-op";
    }
    EXPECT_FALSE(impersonator->IsImpersonating());
}

}  // namespace
