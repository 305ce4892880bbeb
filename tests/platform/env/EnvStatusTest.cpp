#include <cerrno>

#include <gtest/gtest.h>

#include "platform/env/EnvStatus.h"

namespace kitroster {
namespace {

TEST(EnvStatus, ErrnoMapsToTheWindowsCodeCallersTestFor) {
    struct Case {
        int err;
        uint32_t expected;
    } const cases[] = {
        {0, kErrorSuccess},
        {ENOENT, kErrorFileNotFound},
        {ENOTDIR, kErrorPathNotFound},
        {EACCES, kErrorAccessDenied},
        {EPERM, kErrorAccessDenied},
        {EROFS, kErrorAccessDenied},
        {EISDIR, kErrorAccessDenied},
        {EEXIST, kErrorAlreadyExists},
        {ENOSPC, kErrorDiskFull},
        {EDQUOT, kErrorDiskFull},
        {EIO, kErrorIoDevice},
        {ENAMETOOLONG, kErrorInvalidName},
        {ENOTEMPTY, kErrorDirNotEmpty},
        {EXDEV, kErrorNotSameDevice},
        {EBUSY, kErrorSharingViolation},
        {ENOMEM, kErrorNotEnoughMemory},
        {EINVAL, kErrorInvalidParameter},
        {EHOSTUNREACH, kErrorBadNetPath},
        {EPROTO, kErrorGenFailure},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Win32ErrorFromErrno(c.err), c.expected) << "errno " << c.err;
}

TEST(EnvStatus, FailureKeepsCodeErrnoAndFileNameAndNeverReadsAsSuccess) {
    EnvStatus ok;
    EXPECT_TRUE(ok.ok());
    EXPECT_EQ(ok.ToString(), "OK");

    EnvStatus full = EnvStatus::FromErrno(ENOSPC, "write C:\\data\\_RES_X.zrr");
    EXPECT_FALSE(full.ok());
    EXPECT_EQ(full.error(), kErrorDiskFull);
    EXPECT_EQ(full.errnoValue(), ENOSPC);
    EXPECT_NE(full.ToString().find("C:\\data\\_RES_X.zrr"), std::string::npos);
    EXPECT_NE(full.ToString().find("112"), std::string::npos);

    // An Error built with code 0 must still be a failure.
    EXPECT_FALSE(EnvStatus::Error(kErrorSuccess, 0, "odd").ok());
}

}  // namespace
}  // namespace kitroster
