#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <ctime>
#include <string>

#include "platform/registry/Registry.h"

namespace kitroster {
namespace {

namespace fs = std::filesystem;

class Regedit4Test : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kr-regedit-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string m_dir;
};

TEST_F(Regedit4Test, ExportIsSortedEscapedAndImportsBackUnchanged) {
    CRegistry reg(m_dir + "/a.db");
    ASSERT_TRUE(
        reg.SetString("Software\\Corvent\\ZRSync\\LocalSettings", "LocalRoot", "C:\\Data \"x\""));
    ASSERT_TRUE(reg.SetDword("Software\\Corvent\\ZRSync", "RegVer", 1001));
    ASSERT_TRUE(reg.SetString("Software\\Corvent\\ZRSync", "", "default"));
    ASSERT_TRUE(reg.SetString("Software\\Corvent\\ZRSync", "Multi", "line1\r\nline2"));
    ASSERT_TRUE(reg.CreateKey("Software\\Corvent\\alpha"));
    ASSERT_TRUE(reg.SetString("Software\\Corvent\\ZRSync-x", "n\\a\"me", "\xE9t\xE9"));
    // Ends in a backslash, and the name looks like hexadecimal data: still one line.
    ASSERT_TRUE(reg.SetString("Software\\Corvent\\ZRSync-x", "a=hex", "C:\\Data\\"));

    const std::string expected =
        "REGEDIT4\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvent]\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvent\\alpha]\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvent\\ZRSync]\r\n"
        "@=\"default\"\r\n"
        "\"Multi\"=hex(1):6c,69,6e,65,31,0d,0a,6c,69,6e,65,32,00\r\n"
        "\"RegVer\"=dword:000003e9\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvent\\ZRSync\\LocalSettings]\r\n"
        "\"LocalRoot\"=\"C:\\\\Data \\\"x\\\"\"\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvent\\ZRSync-x]\r\n"
        "\"a=hex\"=\"C:\\\\Data\\\\\"\r\n"
        "\"n\\\\a\\\"me\"=\"\xE9t\xE9\"\r\n";
    const std::string exported = reg.ExportRegedit4();
    EXPECT_EQ(exported, expected);
    EXPECT_EQ(reg.ExportRegedit4("software\\corvent\\zrsync\\localsettings"),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvent\\ZRSync\\LocalSettings]\r\n"
              "\"LocalRoot\"=\"C:\\\\Data \\\"x\\\"\"\r\n");

    CRegistry copy(m_dir + "/b.db");
    std::string error;
    ASSERT_TRUE(copy.ImportRegedit4(exported, &error)) << error;
    EXPECT_EQ(copy.ExportRegedit4(), exported);
    EXPECT_EQ(copy.GetString("Software\\Corvent\\ZRSync", "Multi", ""), "line1\r\nline2");
}

TEST_F(Regedit4Test, ImportAppliesDeletionsCommentsAndLfLines) {
    CRegistry reg(m_dir + "/a.db");
    ASSERT_TRUE(reg.SetString("Software\\Old\\Deep", "x", "1"));
    ASSERT_TRUE(reg.SetString("Software\\Keep", "gone", "1"));
    ASSERT_TRUE(reg.SetString("Software\\Keep", "stays", "1"));
    std::string error;
    ASSERT_TRUE(
        reg.ImportRegedit4("; seeded by the installer\n"
                           "REGEDIT4\n"
                           "\n"
                           "[-HKEY_LOCAL_MACHINE\\Software\\Old]\n"
                           "[-HKEY_LOCAL_MACHINE\\Software\\NeverThere]\n"
                           "[hkey_local_machine\\Software\\Keep]\n"
                           "  ; indented comment\n"
                           "\"gone\"=-\n"
                           "\"Count\"=dword:2A\n"
                           "\"Wrapped\"=hex(1):41,42,\\\n"
                           "  43,00\n",
                           &error))
        << error;
    EXPECT_FALSE(reg.KeyExists("Software\\Old"));
    EXPECT_FALSE(reg.QueryValue("Software\\Keep", "gone"));
    EXPECT_TRUE(reg.QueryValue("Software\\Keep", "stays"));
    EXPECT_EQ(reg.GetDword("Software\\Keep", "count", 0), 42u);
    EXPECT_EQ(reg.GetString("Software\\Keep", "wrapped", ""), "ABC");
}

TEST_F(Regedit4Test, MalformedImportNamesTheLineAndAppliesNothing) {
    struct Case {
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {"[HKEY_LOCAL_MACHINE\\A]\r\n", "line 1:"},
        {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"unterminated\r\n", "line 4:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:123456789\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:xyz\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,02\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"a\\qb\"\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"\"x\"\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\nv=\"x\"\n", "line 3:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n", "line 2:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\n", "line 2:"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", "line 2:"},
        {"REGEDIT4\n\"v\"=\"x\"\n", "line 2:"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"x\"\n", "line 3:"},
        {"", "line 1:"},
    };
    CRegistry reg(m_dir + "/a.db");
    ASSERT_TRUE(reg.SetString("Software\\Keep", "v", "1"));
    const std::string before = reg.ExportRegedit4();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        // A valid first part must not be applied when a later line is malformed.
        std::string text = c.text;
        std::string error;
        EXPECT_FALSE(reg.ImportRegedit4(text, &error));
        EXPECT_EQ(error.rfind(c.line, 0), 0u) << error;
        EXPECT_EQ(reg.ExportRegedit4(), before);
    }
    std::string error;
    EXPECT_FALSE(
        reg.ImportRegedit4("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Software]\n"
                           "[HKEY_LOCAL_MACHINE\\New]\n\"a\"=\"1\"\nbroken\n",
                           &error));
    EXPECT_EQ(error.rfind("line 5:", 0), 0u) << error;
    EXPECT_EQ(reg.ExportRegedit4(), before);
}

// A value continued over hundreds of thousands of lines imports in linear time.
TEST_F(Regedit4Test, LongContinuedValueImportsInLinearTime) {
    constexpr size_t kLines = 640000;
    std::string text = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Big]\r\n\"v\"=hex(1):41,\\\r\n";
    for (size_t i = 0; i < kLines; ++i)
        text += "  42,\\\r\n";
    text += "  00\r\n";
#ifdef NDEBUG
    constexpr double kLimitSeconds = 1.0;
#else
    constexpr double kLimitSeconds = 5.0;  // unoptimised builds
#endif
    CRegistry reg(m_dir + "/a.db");
    ASSERT_TRUE(reg.IsAvailable());
    std::string error;
    // Processor time, so that other work on a busy machine does not count.
    const std::clock_t start = std::clock();
    ASSERT_TRUE(reg.ImportRegedit4(text, &error)) << error;
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_LT(took, kLimitSeconds);
    std::optional<RegValue> value = reg.QueryValue("Software\\Big", "v");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text, "A" + std::string(kLines, 'B'));
}

}  // namespace
}  // namespace kitroster
