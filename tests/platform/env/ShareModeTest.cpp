#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/env/PosixEnv.h"
#include "testing/env/TempDir.h"

namespace kitroster {
namespace {

OpenOptions Options(unsigned access, unsigned share,
                    FileDisposition disposition = FileDisposition::kOpenExisting) {
    OpenOptions options;
    options.access = access;
    options.share = share;
    options.disposition = disposition;
    return options;
}

constexpr unsigned R = kAccessRead, W = kAccessWrite, RW = kAccessRead | kAccessWrite;
constexpr unsigned SR = kShareRead, SW = kShareWrite, SRW = kShareRead | kShareWrite;

TEST(ShareModes, ConflictingOpensMeetSharingViolations) {
    CTempDir dir;
    CPosixEnv env;
    const std::string path = dir.Path("f.zrr");
    ASSERT_TRUE(env.WriteStringToFile(path, "keep").ok());
    struct Case {
        unsigned access1, share1, access2, share2;
        bool conflict;
    } const cases[] = {
        {R, SRW, R, SRW, false},
        {R, SR, W, SRW, true},
        {R, SR, R, SR, false},
        {W, SR, R, SR, true},
        {W, SRW, R, SR, true},
        {R, kShareNone, R, SRW, true},
        {R, kShareNone, kAccessNone, kShareNone, false},
        {W, SRW, W, SRW, false},
        {W, SW, R, SRW, true},
        {R, SRW, W, SW, true},
        {RW, SRW, RW, SRW, false},
        {kAccessNone, kShareNone, RW, kShareNone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "first " << c.access1 << "/" << c.share1 << " second "
                                          << c.access2 << "/" << c.share2);
        std::unique_ptr<IFile> first, second;
        ASSERT_TRUE(env.OpenFile(path, Options(c.access1, c.share1), &first).ok());
        EnvStatus s = env.OpenFile(path, Options(c.access2, c.share2), &second);
        EXPECT_EQ(s.error(), c.conflict ? kErrorSharingViolation : kErrorSuccess) << s.ToString();
        // A refused open leaves no trace: once the first handle is gone it succeeds.
        second.reset();
        ASSERT_TRUE(first->Close().ok());
        EXPECT_TRUE(env.OpenFile(path, Options(c.access2, c.share2), &second).ok());
    }
}

TEST(ShareModes, RefusedTruncatingOpenKeepsTheData) {
    CTempDir dir;
    CPosixEnv env;
    const std::string path = dir.Path("f.zrr");
    ASSERT_TRUE(env.WriteStringToFile(path, "precious").ok());
    std::unique_ptr<IFile> reader, writer;
    ASSERT_TRUE(env.OpenFile(path, Options(R, SR), &reader).ok());
    EXPECT_EQ(env.OpenFile(path, Options(W, SR, FileDisposition::kCreateAlways), &writer).error(),
              kErrorSharingViolation);
    reader.reset();
    std::string text;
    ASSERT_TRUE(env.ReadFileToString(path, &text).ok());
    EXPECT_EQ(text, "precious");
}

TEST(ShareModes, AnotherProcessHoldingTheFileIsSeen) {
    CTempDir dir;
    CPosixEnv env;
    const std::string path = dir.Path("f.zrr");
    ASSERT_TRUE(env.WriteStringToFile(path, "x").ok());
    int opened[2], release[2];
    ASSERT_EQ(pipe(opened), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::unique_ptr<IFile> file;
        char byte = env.OpenFile(path, Options(RW, kShareNone), &file).ok() ? '1' : '0';
        if (write(opened[1], &byte, 1) != 1)
            _exit(2);
        if (read(release[0], &byte, 1) != 1)
            _exit(2);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(opened[0], &byte, 1), 1);
    ASSERT_EQ(byte, '1');
    std::unique_ptr<IFile> file;
    EXPECT_EQ(env.OpenFile(path, Options(R, SRW), &file).error(), kErrorSharingViolation);
    ASSERT_EQ(write(release[1], "g", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(env.OpenFile(path, Options(R, SRW), &file).ok());
    for (int fd : {opened[0], opened[1], release[0], release[1]})
        close(fd);
}

}  // namespace
}  // namespace kitroster
