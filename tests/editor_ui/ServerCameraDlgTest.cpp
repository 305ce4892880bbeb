// The server and camera connectivity dialogs: what each key opens as, what OK writes, the
// password and port rules, and the camera's web page.
#include <gtest/gtest.h>

#include "editor_ui/ConnServerDlg.h"
#include "editor_ui/WebAddress.h"
#include "platform/kxcommon/KXCommon.h"
#include "resources/strings/StringTable.h"
#include "testing/site/TestSite.h"
#include "tests/editor_ui/EditorTestHelpers.h"

namespace NResourceItem {
namespace {

using SProps = std::vector<std::pair<std::string, std::string>>;

// The properties of `text` with PASSWORD replaced by its opened value.
SProps Opened(const CString& text) {
    SProps props = Properties(text);
    for (auto& [key, value] : props)
        if (key == "PASSWORD")
            value = "open:" + DecryptPassword(value.c_str()).str();
    return props;
}

TEST(ServerCameraDlgTest, ServerKeysAndChecks) {
    kitroster::testing::CTestSite site;
    const CString sealed = EncryptPassword("s3cret");
    const std::string defaultPassword = std::string("open:") + CConnServerDlg::kDefaultPassword;
    struct SCase {
        CString stored;
        std::string script;
        int result;
        SProps written;  // after IDOK
        std::vector<std::string> boxes;
    };
    const SCase cases[] = {
        {"SERVER=vs1;SOURCE=elsewhere;EXTRA=1;",
         "click 1\n",
         IDOK,
         {{"SERVER", "vs1"},
          {"SOURCE", "(local)"},
          {"USERNAME", "zruser"},
          {"PASSWORD", defaultPassword}},
         {}},
        {"SERVER=vs1;USERNAME=bob;PASSWORD=" + sealed + ";",
         "type 15008 vs2\nclick 1\n",
         IDOK,
         {{"SERVER", "vs2"},
          {"SOURCE", "(local)"},
          {"USERNAME", "bob"},
          {"PASSWORD", "open:s3cret"}},
         {}},
        {"",
         "click 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {},
         {"Server machine name cannot be empty!"}},
        // The confirmation is checked before the name.
        {"USERNAME=;",
         "type 15014 other\nclick 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {},
         {LoadResString(IDS_PASSWORD_CONFIRM_FAILED).str()}},
        // A user name Windows-1252 cannot hold is refused, not stored with '?' in its place;
        // one it can hold (e with diaeresis, euro sign) is stored in the code page.
        {"SERVER=vs1;USERNAME=bob;PASSWORD=" + sealed + ";",
         "type 15012 \xe3\x83\xa6\xe3\x83\xbc\xe3\x82\xb6\nclick 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {},
         {"The entry is not UTF-8 text or holds a character Windows-1252 does not have."}},
        {"SERVER=vs1;USERNAME=bob;PASSWORD=" + sealed + ";",
         "type 15012 Zo\xc3\xab\xe2\x82\xac\nclick 1\n",
         IDOK,
         {{"SERVER", "vs1"},
          {"SOURCE", "(local)"},
          {"USERNAME", "Zo\xeb\x80"},
          {"PASSWORD", "open:s3cret"}},
         {}},
    };
    for (const SCase& c : cases) {
        const SOutcome out = RunEditor(false, "SERVER_LEGACY", {}, "VS1", c.stored, c.script);
        EXPECT_EQ(out.result, c.result) << c.stored << "\n" << out.transcript;
        EXPECT_EQ(out.boxes, c.boxes) << c.stored;
        if (c.result == IDOK)
            EXPECT_EQ(Opened(out.value), c.written) << c.stored;
        else
            EXPECT_EQ(out.value, c.stored) << "Cancel keeps the string as given";
    }
}

TEST(ServerCameraDlgTest, CameraKeysOpenAndWriteByTheirRules) {
    kitroster::testing::CTestSite site;
    const CString sealed = EncryptPassword("pw1");
    struct SCase {
        CString stored;
        std::string script;
        SProps changed;  // the keys that differ from a camera with every default
    };
    const SCase cases[] = {
        {"IPADDR=10.0.0.9;", "click 1\n", {}},
        {"IPADDR=10.0.0.9;PORT=8080;", "click 1\n", {{"PORT", "8080"}}},
        {"IPADDR=10.0.0.9;PORT=443;", "click 1\n", {}},
        {"IPADDR=10.0.0.9;PORT=65536;", "click 1\n", {}},
        {"IPADDR=10.0.0.9;PORT=8080;", "type 15018 81\nfocus 15009\nanswer OK\nclick 1\n", {}},
        // An invalid port typed and confirmed at once becomes 80 silently.
        {"IPADDR=10.0.0.9;", "type 15018 1023\nkey Return\n", {}},
        {"IPADDR=10.0.0.9;SIZE=vga;", "click 1\n", {{"SIZE", "VGA"}}},
        {"IPADDR=10.0.0.9;SIZE=CIF;", "click 15019\nclick 1\n", {{"SIZE", "VGA"}}},
        {"IPADDR=10.0.0.9;FRAMERATE=0;", "click 1\n", {}},
        {"IPADDR=10.0.0.9;FRAMERATE=15;", "click 1\n", {{"FRAMERATE", "15"}}},
        {"IPADDR=10.0.0.9;", "choose 15026 5\nclick 1\n", {{"FRAMERATE", "5"}}},
        {"IPADDR=10.0.0.9;SHOW_PTZ=false;", "click 1\n", {{"SHOW_PTZ", "FALSE"}}},
        {"IPADDR=10.0.0.9;SHOW_PTZ=no;", "click 1\n", {}},
        {"IPADDR=10.0.0.9;STREAM_MODE=unicast;", "click 1\n", {{"STREAM_MODE", "UNICAST"}}},
        {"IPADDR=10.0.0.9;STREAM_MODE=BROADCAST;", "click 1\n", {}},
        {"IPADDR=10.0.0.9;USERNAME=;TYPE=;MAC_ADDR=;", "click 1\n", {}},
        {"IPADDR=10.0.0.9;TYPE=DOME_2;MAC_ADDR=aa;USERNAME=op;",
         "click 1\n",
         {{"USERNAME", "op"}, {"TYPE", "DOME_2"}, {"MAC_ADDR", "aa"}}},
        {"IPADDR=10.0.0.9;PASSWORD=" + sealed + ";", "click 1\n", {{"PASSWORD", "open:pw1"}}},
        // Text that does not open is written back as stored, not replaced by the default.
        {"IPADDR=10.0.0.9;PASSWORD=not-sealed;", "click 1\n", {{"PASSWORD", "open:"}}},
        {"IPADDR=10.0.0.9;",
         "type 15024 new\ntype 15025 new\nclick 1\n",
         {{"PASSWORD", "open:new"}}},
    };
    for (const SCase& c : cases) {
        SProps expected{
            {"IPADDR", "10.0.0.9"},      {"PORT", "80"},        {"USERNAME", "admin"},
            {"PASSWORD", "open:qerno"},  {"SIZE", "QVGA"},      {"FRAMERATE", "-1"},
            {"SHOW_PTZ", "TRUE"},        {"TYPE", "IPELA_001"}, {"MAC_ADDR", "00-00-00-00-00-00"},
            {"STREAM_MODE", "MULTICAST"}};
        for (const auto& [key, value] : c.changed)
            for (auto& e : expected)
                if (e.first == key)
                    e.second = value;
        const SOutcome out = RunEditor(false, "CAMERA_IP", {}, "CAM1", c.stored, c.script);
        ASSERT_EQ(out.result, IDOK) << c.stored << "\n" << out.transcript;
        EXPECT_EQ(Opened(out.value), expected) << c.stored << " / " << c.script;
        const bool portMessage = c.script.find("focus 15009") != std::string::npos;
        EXPECT_EQ(out.boxes.size(), portMessage ? 1u : 0u) << c.stored;
    }
}

TEST(ServerCameraDlgTest, CameraPasswordChecksAndAnEmptyAddress) {
    kitroster::testing::CTestSite site;
    const std::string mismatch = LoadResString(IDS_PASSWORD_MISMATCH).str();
    const std::string empty = LoadResString(IDS_PASSWORD_EMPTY).str();
    struct SCase {
        CString stored;
        std::string script;
        std::vector<std::string> boxes;
        size_t ignored;
    };
    const SCase cases[] = {
        {"IPADDR=h;PASSWORD=;",
         "type 15024 \"\"\ntype 15025 \"\"\nclick 1\nanswer OK\nclick 2\n",
         {empty},
         0},
        {"IPADDR=h;", "type 15024 a\ntype 15025 b\nclick 1\nanswer OK\nclick 2\n", {mismatch}, 0},
        {"IPADDR=h;", "type 15024 \"\"\nclick 1\nanswer OK\nclick 2\n", {mismatch}, 0},
        // OK and "..." wait for an address.
        {"PORT=8080;", "click 1\nclick 15047\nclick 2\n", {}, 2},
        {"IPADDR=h;", "type 15009 \"\"\nclick 1\nclick 2\n", {}, 1},
    };
    for (const SCase& c : cases) {
        const SOutcome out = RunEditor(false, "CAMERA_IP", {}, "CAM1", c.stored, c.script);
        EXPECT_EQ(out.result, IDCANCEL) << c.stored << "\n" << out.transcript;
        EXPECT_EQ(out.boxes, c.boxes) << c.script;
        EXPECT_EQ(out.Of("ignored").size(), c.ignored) << c.script;
        EXPECT_EQ(out.value, c.stored);
    }
    // Each seal takes a fresh nonce, so the same password reads differently every time.
    const SOutcome a = RunEditor(false, "CAMERA_IP", {}, "CAM1", "IPADDR=h;", "click 1\n");
    const SOutcome b = RunEditor(false, "CAMERA_IP", {}, "CAM1", "IPADDR=h;", "click 1\n");
    EXPECT_NE(Property(a.value, "PASSWORD"), Property(b.value, "PASSWORD"));
}

TEST(ServerCameraDlgTest, OnlyPlainAddressesAreOpenedInABrowser) {
    kitroster::testing::CTestSite site;
    struct SAddress {
        const char* address;
        bool browsable;
    };
    const SAddress addresses[] = {
        {"10.0.0.9", true},
        {"10.0.0.9:8080", true},
        {"cam-1.example.org", true},
        {"cam1:65535", true},
        {"[::1]", true},
        {"[fe80::2]:81", true},
        {"", false},
        {"-n", false},
        {"a b", false},
        {"http://cam1", false},
        {"cam1/admin", false},
        {"cam1:", false},
        {"cam1:0", false},
        {"cam1:65536", false},
        {"::1", false},
        {"[1.2.3.4]", false},
        {"[::1", false},
        {"[::1]x", false},
        {"999.1.1.1", false},
        {"cam1:80:81", false},
        {"cam1;reboot", false},
    };
    for (const SAddress& a : addresses)
        EXPECT_EQ(IsBrowsableAddress(a.address), a.browsable) << a.address;

    // The dialog asks first; on Yes a good address is opened and a bad one refused.
    struct SCase {
        const char* address;
        const char* answers;
        bool launched;
    };
    const SCase cases[] = {
        {"10.0.0.9:8080", "answer Yes\n", true},
        {"10.0.0.9", "answer No\n", false},
        {"-x", "answer Yes\nanswer OK\n", false},
        {"-x", "answer No\n", false},
    };
    for (const SCase& c : cases) {
        const SOutcome out =
            RunEditor(false, "CAMERA_IP", {}, "CAM1", CString("IPADDR=") + c.address + ";",
                      std::string("click 15047\n") + c.answers + "click 2\n");
        const auto boxes = out.Of("messagebox");
        ASSERT_FALSE(boxes.empty()) << out.transcript;
        const std::string url = std::string("http://") + c.address;
        EXPECT_EQ(boxes[0]["text"], FormatResString(IDS_LAUNCH_BROWSER, "CAM1", url.c_str()).str());
        EXPECT_EQ(boxes[0]["icon"], "question");
        const bool refused = std::string(c.answers).find("OK") != std::string::npos;
        ASSERT_EQ(boxes.size(), refused ? 2u : 1u) << out.transcript;
        if (refused) {
            EXPECT_EQ(boxes[1]["caption"], LoadResString(IDS_BROWSE_WEB_PAGE).str());
            EXPECT_EQ(boxes[1]["buttons"], nlohmann::json({"OK"}));
        }
        const auto launches = out.Of("launch");
        EXPECT_EQ(launches.size(), c.launched ? 1u : 0u) << c.address;
        if (c.launched) {
            EXPECT_EQ(launches[0]["program"], "xdg-open");
            EXPECT_EQ(launches[0]["args"], nlohmann::json({url}));
        }
    }
}

}  // namespace
}  // namespace NResourceItem
