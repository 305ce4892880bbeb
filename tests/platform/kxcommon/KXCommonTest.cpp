#include <unistd.h>

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/PosixEnv.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestIdentity.h"
#include "testing/log/LogCapture.h"

namespace {

using kitroster::CRegistry;
using kitroster::CTempDir;
using kitroster::Env;

// Every test of this binary works on a private registry file in a temp folder.
class KXCommonEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        s_dir = std::make_unique<CTempDir>("kxcommon-");
        CRegistry::SetMachineLocation(s_dir->Path("registry.db"));
        unsetenv("KITROSTER_SITE_KEY_FILE");
        unsetenv("KITROSTER_APPDIR");
        unsetenv("KITROSTER_UNC_ROOT");
    }
    void TearDown() override { s_dir.reset(); }
    static std::unique_ptr<CTempDir> s_dir;
};
std::unique_ptr<CTempDir> KXCommonEnvironment::s_dir;
::testing::Environment* const s_environment =
    ::testing::AddGlobalTestEnvironment(new KXCommonEnvironment);

std::string TempPath(const std::string& name) {
    return KXCommonEnvironment::s_dir->Path(name);
}

// Writes a key file whose 32 bytes all equal `fill`, raw or as hex digits.
std::string WriteKey(const std::string& name, unsigned char fill, bool hex) {
    std::string contents;
    const char digits[] = "0123456789abcdef";
    for (int i = 0; i < 32; ++i) {
        if (hex) {
            contents += digits[fill >> 4];
            contents += digits[fill & 15];
        } else {
            contents += static_cast<char>(fill);
        }
    }
    if (hex)
        contents += "\n";
    const std::string path = TempPath(name);
    EXPECT_TRUE(Env::Default()->WriteStringToFile(path, contents).ok());
    return path;
}

class ScopedEnvVar {
  public:
    ScopedEnvVar(const char* name, const std::string& value) : m_name(name) {
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvVar() { unsetenv(m_name); }

  private:
    const char* m_name;
};

TEST(KXCommon, PasswordsRoundTripInAFormThePropertyGrammarAccepts) {
    ScopedEnvVar key("KITROSTER_SITE_KEY_FILE", WriteKey("a.key", 0x11, false));
    const CString plains[] = {"x", "secret", "a=b;c\"d{e}f", "caf\xE9 \x80\xFF\x9F",
                              CString('p', 1000)};
    for (const CString& plain : plains) {
        CString sealed = EncryptPassword(plain);
        EXPECT_EQ(sealed.Left(5), CString("$kx1$"));
        EXPECT_EQ(sealed.str().find_first_of("=;\"{} \r\n"), std::string::npos) << sealed.str();
        EXPECT_EQ(DecryptPassword(sealed), plain);
        EXPECT_NE(EncryptPassword(plain), sealed);  // a fresh nonce every time
    }
    EXPECT_TRUE(EncryptPassword("").IsEmpty());
    EXPECT_TRUE(DecryptPassword("").IsEmpty());

    // The same key written as hex digits opens what the raw key file sealed.
    CString sealed = EncryptPassword("hexed");
    ScopedEnvVar hexKey("KITROSTER_SITE_KEY_FILE", WriteKey("a.hex", 0x11, true));
    EXPECT_EQ(DecryptPassword(sealed), CString("hexed"));
}

TEST(KXCommon, ValuesThatDoNotOpenGiveEmptyTextAndAWarning) {
    ScopedEnvVar key("KITROSTER_SITE_KEY_FILE", WriteKey("b.key", 0x22, false));
    const CString sealed = EncryptPassword("topsecret");
    std::vector<CString> bad;
    for (int position : {5, 20, sealed.GetLength() / 2, sealed.GetLength() - 1}) {
        std::string text = sealed.str();
        text[position] = text[position] == 'A' ? 'B' : 'A';
        bad.push_back(CString(text));
    }
    bad.push_back(sealed.Left(sealed.GetLength() - 3));  // truncated
    bad.push_back("$kx1$!!!not base64");
    bad.push_back("plaintext-password");
    bad.push_back("$kx1$");

    CLogCapture log("KITROSTER=0x2d");
    for (const CString& value : bad) {
        EXPECT_TRUE(DecryptPassword(value).IsEmpty()) << value.str();
    }
    EXPECT_EQ(log.Count("DecryptPassword()", ZRLOG_WARNING), bad.size());
    EXPECT_EQ(log.Count("plaintext-password"), 0u);  // the raw value is never logged
    for (const auto& entry : log.Entries())
        EXPECT_EQ(entry.component, "KITROSTER");

    // Sealed under another site key.
    ScopedEnvVar other("KITROSTER_SITE_KEY_FILE", WriteKey("c.key", 0x33, false));
    EXPECT_TRUE(DecryptPassword(sealed).IsEmpty());
}

TEST(KXCommon, SiteKeyComesFromTheRegistryNamedFileThenTheBuiltInKey) {
    CRegistry& registry = CRegistry::Machine();
    const char* key = "Software\\Corvent\\Utilities\\Kitroster";
    ASSERT_TRUE(registry.SetString(key, "SiteKeyFile", WriteKey("reg.key", 0x44, true)));
    const CString sealed = EncryptPassword("from registry");
    {
        ScopedEnvVar same("KITROSTER_SITE_KEY_FILE", TempPath("reg.key"));
        EXPECT_EQ(DecryptPassword(sealed), CString("from registry"));
    }
    {
        ScopedEnvVar other("KITROSTER_SITE_KEY_FILE", WriteKey("d.key", 0x45, true));
        EXPECT_TRUE(DecryptPassword(sealed).IsEmpty());
    }
    // A configured key file that is not a key, or is missing, seals nothing and opens
    // nothing: falling back to the public built-in key would weaken and later lose passwords.
    ASSERT_TRUE(Env::Default()->WriteStringToFile(TempPath("short.key"), "too short").ok());
    {
        ScopedEnvVar broken("KITROSTER_SITE_KEY_FILE", TempPath("short.key"));
        CLogCapture log("KITROSTER=0x2d");
        EXPECT_TRUE(EncryptPassword("refused").IsEmpty());
        EXPECT_TRUE(log.Contains("short.key", ZRLOG_FAILURE));
    }
    {
        ScopedEnvVar missing("KITROSTER_SITE_KEY_FILE", TempPath("missing.key"));
        EXPECT_TRUE(EncryptPassword("refused").IsEmpty());
        ScopedEnvVar same("KITROSTER_SITE_KEY_FILE", TempPath("reg.key"));
        EXPECT_EQ(DecryptPassword(sealed), CString("from registry"));
    }
    ASSERT_TRUE(registry.SetString(key, "SiteKeyFile", TempPath("missing.key")));
    EXPECT_TRUE(EncryptPassword("refused").IsEmpty());
    EXPECT_TRUE(DecryptPassword(sealed).IsEmpty());
    registry.DeleteValue(key, "SiteKeyFile");
}

TEST(KXCommon, AppDirAndHostName) {
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    std::string folder = exe;
    folder.erase(folder.rfind('/') + 1);
    EXPECT_EQ(GetAppDir(), CString(folder));
    {
        ScopedEnvVar forced("KITROSTER_APPDIR", "/opt/kitroster");
        EXPECT_EQ(GetAppDir(), CString("/opt/kitroster/"));
    }
    {
        ScopedEnvVar forced("KITROSTER_APPDIR", "/opt/kitroster/");
        EXPECT_EQ(GetAppDir(), CString("/opt/kitroster/"));
    }
    CString host = GetHostName();
    EXPECT_FALSE(host.IsEmpty());
    EXPECT_EQ(host.Find('.'), -1);
    EXPECT_EQ(host.CompareNoCase(GetKitrosterApp().GetIdentity().GetComputerName().c_str()), 0);

    // The name comes from the application's identity, so a test machine can be named.
    kitroster::CTestIdentity identity;
    identity.SetHostName("ws-17");
    kitroster::AppServices services;
    services.identity = &identity;
    const CAppServicesOverride named(services);
    EXPECT_EQ(GetHostName(), CString("ws-17"));
}

TEST(KXCommon, SettingsFoldersByStudyMode) {
    EXPECT_EQ(GetSettingsDirNameByStudyMode(11), CString("SettingsSleep"));
    for (int mode : {0, 1, 10, 12, -1}) {
        EXPECT_EQ(GetSettingsDirNameByStudyMode(mode), CString("SettingsGeneral"));
    }
    CRegistry& registry = CRegistry::Machine();
    const char* key = "Software\\Corvent\\ZRSync\\LocalSettings";
    registry.DeleteValue(key, "LocalRoot");
    ScopedEnvVar forced("KITROSTER_APPDIR", "/opt/kr/");
    EXPECT_EQ(GetLocalAppSettingsDirByStudyMode(1), CString("/opt/kr/SettingsGeneral/"));
    EXPECT_FALSE(registry.QueryValue(key, "LocalRoot"));  // read only, nothing written back

    struct Case {
        const char* root;
        int mode;
        const char* expected;
    } const cases[] = {
        {"\\\\srv\\share\\Root\\", 11, "\\\\srv\\share\\Root\\SettingsSleep\\"},
        {"\\\\srv\\share\\Root", 3, "\\\\srv\\share\\Root\\SettingsGeneral\\"},
        {"/srv/settings", 11, "/srv/settings/SettingsSleep/"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(registry.SetString(key, "LocalRoot", c.root));
        EXPECT_EQ(GetLocalAppSettingsDirByStudyMode(c.mode), CString(c.expected));
    }
    registry.DeleteValue(key, "LocalRoot");
}

TEST(KXCommon, SettingsRootNeverUsesACutValueAndLeavesOtherTypesAlone) {
    CRegistry& registry = CRegistry::Machine();
    const char* key = "Software\\Corvent\\ZRSync\\LocalSettings";
    ScopedEnvVar forced("KITROSTER_APPDIR", "/opt/kr/");
    bool tooLong = true;

    // A value of another type falls back to the application folder and stays as it is.
    ASSERT_TRUE(registry.SetDword(key, "LocalRoot", 7));
    EXPECT_EQ(ResolveSettingsRoot(/*writeBackMissing=*/true, &tooLong), CString("/opt/kr/"));
    EXPECT_FALSE(tooLong);
    uint32_t dword = 0;
    EXPECT_TRUE(registry.QueryDword(key, "LocalRoot", &dword));
    EXPECT_EQ(dword, 7u);

    // The longest readable text is used; one character more would be cut, so none is.
    const std::string longest = "/srv/" + std::string(CRegistry::kMaxStringRead - 6, 'a') + "/";
    ASSERT_TRUE(registry.SetString(key, "LocalRoot", longest));
    EXPECT_EQ(ResolveSettingsRoot(true, &tooLong), CString(longest));
    EXPECT_FALSE(tooLong);
    ASSERT_TRUE(registry.SetString(key, "LocalRoot", longest + "b/"));
    EXPECT_EQ(ResolveSettingsRoot(true, &tooLong), CString());
    EXPECT_TRUE(tooLong);
    EXPECT_EQ(GetLocalAppSettingsDirByStudyMode(1), CString());
    registry.DeleteValue(key, "LocalRoot");
}

TEST(KXCommon, UncRootFromTheRegistryUnlessTheEnvironmentSaysOtherwise) {
    kitroster::CPosixEnv* env = kitroster::CPosixEnv::Default();
    const std::string before = env->GetUncRoot();
    CRegistry::Machine().SetString("Software\\Corvent\\Utilities\\Kitroster\\Platform", "UNCRoot",
                                   "/mnt/unc");
    {
        ScopedEnvVar forced("KITROSTER_UNC_ROOT", "/forced");
        EXPECT_EQ(ConfigureUncRootFromRegistry(), CString(before));
    }
    EXPECT_EQ(ConfigureUncRootFromRegistry(), CString("/mnt/unc"));
    std::string native;
    ASSERT_TRUE(Env::Default()->ToNativePath("\\\\h\\s\\x", &native).ok());
    EXPECT_EQ(native, "/mnt/unc/h/s/x");
    env->SetUncRoot(before);
}

}  // namespace
