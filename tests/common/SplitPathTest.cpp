#include "common/SplitPath.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "testing/log/LogCapture.h"

namespace {

using kitroster::CTempDir;
using kitroster::CTestEnv;
using kitroster::EnvOp;

// Each row builds one SplitPath and lists every part it must report.
TEST(SplitPathTest, DecompositionAndJoinTable) {
    struct Row {
        const char* name;
        std::function<SplitPath()> make;
        const char* full;
        const char* folder;
        const char* fileName;
        const char* title;
        const char* drive;
        const char* ext;
        const char* server;
    };
    const std::vector<Row> rows = {
        {"drive path", [] { return SplitPath("C:\\A\\B\\file.txt"); }, "C:\\A\\B\\file.txt",
         "C:\\A\\B", "file.txt", "file", "C:", "txt", ""},
        {"blanks trimmed", [] { return SplitPath(" \t C:\\A\\f.txt \r\n"); }, "C:\\A\\f.txt",
         "C:\\A", "f.txt", "f", "C:", "txt", ""},
        {"drive root", [] { return SplitPath("C:\\f.txt"); }, "C:\\f.txt", "C:", "f.txt", "f",
         "C:", "txt", ""},
        {"drive relative", [] { return SplitPath("d:f"); }, "d:f", "d:", "f", "f", "d:", "", ""},
        {"both separators, several dots", [] { return SplitPath("dir/sub\\name.tar.gz"); },
         "dir/sub\\name.tar.gz", "dir/sub", "name.tar.gz", "name.tar", "", "gz", ""},
        {"dot in folder only", [] { return SplitPath("a.b\\c"); }, "a.b\\c", "a.b", "c", "c", "",
         "", ""},
        {"name alone", [] { return SplitPath("name"); }, "name", "", "name", "name", "", "", ""},
        {"dot file", [] { return SplitPath("x\\.profile"); }, "x\\.profile", "x", ".profile", "",
         "", "profile", ""},
        {"trailing dot", [] { return SplitPath("file."); }, "file.", "", "file.", "file", "", "",
         ""},
        {"folder path", [] { return SplitPath("C:\\A\\B\\/"); }, "C:\\A\\B\\/", "C:\\A\\B", "", "",
         "C:", "", ""},
        {"UNC", [] { return SplitPath("\\\\srv01\\share\\f.txt"); }, "\\\\srv01\\share\\f.txt",
         "\\\\srv01\\share", "f.txt", "f", "", "txt", "SRV01"},
        {"UNC ends at slash", [] { return SplitPath("\\\\srv/xy\\f"); }, "\\\\srv/xy\\f",
         "\\\\srv/xy", "f", "f", "", "", "SRV"},
        {"UNC 8 characters", [] { return SplitPath("\\\\abcdef"); }, "\\\\abcdef", "", "abcdef",
         "abcdef", "", "", ""},
        {"UNC 9 characters", [] { return SplitPath("\\\\abcdefg"); }, "\\\\abcdefg", "", "abcdefg",
         "abcdefg", "", "", "ABCDEFG"},
        {"three backslashes", [] { return SplitPath("\\\\\\abcdefg\\x"); }, "\\\\\\abcdefg\\x",
         "\\\\\\abcdefg", "x", "x", "", "", ""},
        {"UNC server upper-cased in 1252", [] { return SplitPath("\\\\s\xe9rver\\s"); },
         "\\\\s\xe9rver\\s", "\\\\s\xe9rver", "s", "s", "", "", "S\xc9RVER"},
        {"join trailing separators", [] { return SplitPath("C:\\A/\\", "x.zrr"); }, "C:\\A\\x.zrr",
         "C:\\A", "x.zrr", "x", "C:", "zrr", ""},
        {"join drops folder of name", [] { return SplitPath("C:\\A", "D:\\other/y.t"); },
         "C:\\A\\y.t", "C:\\A", "y.t", "y", "C:", "t", ""},
        {"join empty folder", [] { return SplitPath("", "x.zrr"); }, "x.zrr", "", "x.zrr", "x", "",
         "zrr", ""},
        {"join separator-only folder", [] { return SplitPath("\\/", "x.zrr"); }, "x.zrr", "",
         "x.zrr", "x", "", "zrr", ""},
        {"join UNC", [] { return SplitPath("\\\\srv\\share\\", "f"); }, "\\\\srv\\share\\f",
         "\\\\srv\\share", "f", "f", "", "", "SRV"},
        {"join null file name",
         [] { return SplitPath("C:\\A", static_cast<const char*>(nullptr)); }, "", "", "", "", "",
         "", ""},
        {"join null folder", [] { return SplitPath(nullptr, "x"); }, "", "", "", "", "", "", ""},
        {"name and extension", [] { return SplitPath("C:\\A\\", "x", "zrr"); }, "C:\\A\\x.zrr",
         "C:\\A", "x.zrr", "x", "C:", "zrr", ""},
        {"extension with dot", [] { return SplitPath("C:\\A", "x.y", ".zrr"); }, "C:\\A\\x.y.zrr",
         "C:\\A", "x.y.zrr", "x.y", "C:", "zrr", ""},
        {"no extension", [] { return SplitPath("C:\\A", "x", static_cast<const char*>(nullptr)); },
         "C:\\A\\x", "C:\\A", "x", "x", "C:", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const SplitPath p = row.make();
        EXPECT_STREQ(row.full, p.GetFullPath());
        EXPECT_STREQ(row.folder, p.GetFolder());
        EXPECT_STREQ(row.fileName, p.GetFileName());
        EXPECT_STREQ(row.title, p.GetTitle());
        EXPECT_STREQ(row.drive, p.GetDrive());
        EXPECT_STREQ(row.ext, p.GetExtension());
        EXPECT_STREQ(row.server, p.GetServer());
        EXPECT_EQ(*row.server != '\0', p.IsUNC());
    }
}

TEST(SplitPathTest, NumberedSuffixRules) {
    struct Row {
        const char* path;
        bool has;
        int number;
        const char* base;
    };
    const std::vector<Row> rows = {
        {"Settings_12", true, 12, "Settings"},
        {"C:\\x\\Settings_12.mfs", true, 12, "Settings"},
        {"Settings_12345", false, -1, ""},
        {"Settings_1234", true, 1234, "Settings"},
        {"A_1", true, 1, "A"},
        {"A_", false, -1, ""},
        {"AB_", false, -1, ""},
        {"_12", false, -1, ""},
        {"A_123", true, 123, "A"},
        {"S_1234", true, 1234, "S"},
        {"Sett_12345", false, -1, ""},
        {"a_b_1", true, 1, "a_b"},
        {"Settings_1a", true, 1, "Settings"},
        {"Settings_x", true, 0, "Settings"},
        {"Settings", false, -1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const SplitPath p(row.path);
        EXPECT_EQ(row.has, p.HasNumberSuffix());
        EXPECT_EQ(row.number, p.GetNumberSuffix());
        EXPECT_STREQ(row.base, p.GetBaseName());
    }
}

TEST(SplitPathTest, ConstructionIsLoggedAsDetail) {
    CLogCapture log("VIDEO_AVCOMMON=0x2d");
    SplitPath("C:\\A\\f.txt");
    const auto entries = log.Matching("SplitPath()", ZRLOG_DETAIL);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("VIDEO_AVCOMMON", entries[0].component);
    EXPECT_EQ("SplitPath() drive(C:) docPath(C:\\A) docName(f.txt) ext(.txt) full(C:\\A\\f.txt)\n",
              entries[0].text);
}

TEST(SplitPathTest, CreateFolderBuildsParentsAndStopsAtFirstFailure) {
    CTempDir dir("splitpath-");
    {
        SplitPath deep((dir.path() + "\\A/B\\C\\").c_str());
        EXPECT_TRUE(deep.CreateFolder());
        EXPECT_TRUE(SplitPath(dir.Path("A/B/C").c_str()).exists());
        EXPECT_TRUE(deep.CreateFolder()) << "an existing folder is success";
        EXPECT_TRUE(SplitPath("file-in-current-folder.txt").CreateFolder());

        // A file where a folder (or one of its parents) should be is a failure.
        ASSERT_TRUE(kitroster::Env::Default()->WriteStringToFile(dir.Path("F"), "").ok());
        CLogCapture log("VIDEO_AVCOMMON=0x0d");
        EXPECT_FALSE(SplitPath((dir.Path("F") + "\\").c_str()).CreateFolder());
        EXPECT_FALSE(SplitPath((dir.Path("F") + "\\G\\x").c_str()).CreateFolder());
        EXPECT_EQ(2u, log.Count("error code: 183", ZRLOG_FAILURE));
    }

    // Creating <dir>/P/Q/R where none exists: R (path not found), Q (not found), P,
    // Q again, R again. The injected failure lands on the n-th of these calls.
    struct Case {
        int failingCall;
        const char* loggedFolder;
        bool pExists;
    };
    for (const Case c : {Case{2, "P/Q", false}, Case{4, "P/Q", true}, Case{3, "P", false}}) {
        SCOPED_TRACE(c.failingCall);
        CTempDir root("splitpath-");
        CTestEnv env;
        env.FailNth(EnvOp::kCreateDirectory, c.failingCall, kitroster::kErrorAccessDenied);
        CLogCapture log("VIDEO_AVCOMMON=0x0d");
        const CAppServicesOverride services(kitroster::OnlyEnv(&env));
        SplitPath path((root.path() + "/P/Q/R/x.txt").c_str());
        EXPECT_FALSE(path.CreateFolder());
        const std::string expected =
            "Failed to create directory '" + root.Path(c.loggedFolder) + "' - error code: 5";
        const auto failures = log.Matching("Failed to create directory", ZRLOG_FAILURE);
        ASSERT_EQ(1u, failures.size());
        EXPECT_EQ(expected, failures[0].text);
        EXPECT_EQ(c.pExists, env.FileExists(root.Path("P")));
        EXPECT_FALSE(env.FileExists(root.Path("P/Q")));
        EXPECT_FALSE(env.FileExists(root.Path("P/Q/R")));
    }
}

TEST(SplitPathTest, ExistsTreatsOnlyNotFoundErrorsAsAbsent) {
    struct Case {
        uint32_t error;
        bool exists;
        const char* logged;  // null: nothing logged
    };
    const std::vector<Case> cases = {
        {kitroster::kErrorFileNotFound, false, "GetLastError() is 2,"},
        {kitroster::kErrorPathNotFound, false, "GetLastError() is 3,"},
        {kitroster::kErrorBadNetPath, false, "GetLastError() is 35,"},
        {kitroster::kErrorAccessDenied, true, nullptr},
        {kitroster::kErrorSharingViolation, true, nullptr},
    };
    CTempDir dir("splitpath-");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        for (const bool folder : {false, true}) {
            CTestEnv env;
            CLogCapture log("VIDEO_AVCOMMON=0x0d");
            const CAppServicesOverride services(kitroster::OnlyEnv(&env));
            const SplitPath path(dir.Path("x.txt").c_str());
            env.FailNth(EnvOp::kAccess, 1, c.error);
            EXPECT_EQ(c.exists, folder ? path.pathExists() : path.exists());
            const std::string operation =
                folder ? "SplitPath::pathExists() " : "SplitPath::exists() ";
            EXPECT_EQ(c.logged ? 1u : 0u, log.Count("", ZRLOG_INFO));
            if (c.logged) {
                EXPECT_TRUE(log.Contains(operation + c.logged, ZRLOG_INFO));
            }
        }
    }
    // Without injection: the real answers.
    EXPECT_TRUE(SplitPath(dir.path().c_str()).exists());
    EXPECT_FALSE(SplitPath(dir.Path("missing").c_str()).exists());
    EXPECT_TRUE(SplitPath(dir.Path("missing").c_str()).pathExists());
    EXPECT_FALSE(SplitPath("").exists());
    EXPECT_FALSE(SplitPath("name-only").pathExists());
}

TEST(SplitPathTest, FileActions) {
    CTempDir dir("splitpath-");
    kitroster::Env* env = kitroster::Env::Default();
    ASSERT_TRUE(env->WriteStringToFile(dir.Path("a.txt"), "hello").ok());

    SplitPath file(dir.Path("a.txt").c_str());
    uint64_t time = 0;
    int64_t size = 0;
    EXPECT_TRUE(file.GetFileInfo(time, size));
    EXPECT_EQ(5, size);
    EXPECT_NE(0u, time);
    SplitPath missing(dir.Path("none.txt").c_str());
    EXPECT_FALSE(missing.GetFileInfo(time, size));
    EXPECT_EQ(0u, time);
    EXPECT_EQ(-1, size);

    EXPECT_TRUE(file.MakeReadOnly());
    EXPECT_FALSE(file.CanWrite());
    EXPECT_TRUE(file.CanRead());
    EXPECT_TRUE(file.MakeReadOnly()) << "already read-only";
    EXPECT_TRUE(file.MakeWritable());
    EXPECT_TRUE(file.CanReadWrite());
    EXPECT_TRUE(file.MakeWritable()) << "already writable";
    EXPECT_FALSE(missing.MakeWritable());
    EXPECT_FALSE(missing.MakeReadOnly());
    SplitPath folder(dir.path().c_str());
    EXPECT_FALSE(folder.MakeWritable());
    EXPECT_FALSE(folder.MakeReadOnly());

    // CanCreate leaves an empty file, truncating an existing one.
    EXPECT_TRUE(file.CanCreate());
    EXPECT_TRUE(file.GetFileInfo(time, size));
    EXPECT_EQ(0, size);
    EXPECT_TRUE(missing.CanCreate());
    EXPECT_TRUE(missing.exists());

    EXPECT_TRUE(missing.RemoveFile());
    EXPECT_FALSE(missing.exists());
    EXPECT_FALSE(missing.RemoveFile());
}

TEST(SplitPathTest, RenameFileRebuildsOnSuccessAndKeepsStateOnFailure) {
    CTempDir dir("splitpath-");
    CTestEnv env;
    ASSERT_TRUE(env.WriteStringToFile(dir.Path("Settings_1.mfs"), "x").ok());
    ASSERT_TRUE(env.WriteStringToFile(dir.Path("taken.mfs"), "y").ok());

    const CAppServicesOverride services(kitroster::OnlyEnv(&env));
    SplitPath path(dir.Path("Settings_1.mfs").c_str());
    ASSERT_EQ(1, path.GetNumberSuffix());

    // Only the file name of the new path counts; the file stays in its folder.
    EXPECT_TRUE(path.RenameFile("C:\\elsewhere\\Settings_2.mfs"));
    EXPECT_STREQ((dir.path() + "\\Settings_2.mfs").c_str(), path.GetFullPath());
    EXPECT_STREQ("Settings_2.mfs", path.GetFileName());
    EXPECT_EQ(2, path.GetNumberSuffix()) << "cached suffix must be recomputed";
    EXPECT_TRUE(path.exists());
    EXPECT_FALSE(env.FileExists(dir.Path("Settings_1.mfs")));

    // Failures: an existing target is not replaced; an injected rename failure.
    const CString before = path.GetFullPath();
    EXPECT_FALSE(path.RenameFile("taken.mfs"));
    EXPECT_STREQ(before, path.GetFullPath());
    std::string contents;
    ASSERT_TRUE(env.ReadFileToString(dir.Path("taken.mfs"), &contents).ok());
    EXPECT_EQ("y", contents);

    env.FailNth(EnvOp::kMoveFile, 1, kitroster::kErrorSharingViolation);
    EXPECT_FALSE(path.RenameFile("Settings_3.mfs"));
    EXPECT_STREQ(before, path.GetFullPath());
    EXPECT_EQ(2, path.GetNumberSuffix());
    EXPECT_TRUE(path.exists());
}

}  // namespace
