// Opening any editor on a stored value and pressing OK without touching anything writes back
// what was read. The only differences allowed are the rewrites each dialog is documented to
// make; they are listed below, one rule per key, and a key a dialog does not write is dropped
// (every connectivity and capability dialog clears its bag and writes only its own keys).
// Whatever the rules say, a stored value is never blanked and a stored rate never becomes -1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "catalogue/queries/DefaultPasswords.h"
#include "catalogue/queries/RoomAssemblies.h"
#include "editor_ui/ConnServerDlg.h"
#include "editor_ui/ResEditDlg.h"
#include "platform/kxcommon/KXCommon.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"
#include "testing/site/TestSite.h"
#include "tests/editor_ui/EditorTestHelpers.h"

namespace NResourceItem {
namespace {

using SProps = std::vector<std::pair<std::string, std::string>>;
using SStored = std::optional<std::string>;  // nullopt: the key is absent

// What a plain OK writes for a key, given what was stored under it.
struct SKeyRule {
    const char* key;
    std::function<std::string(const SStored&)> written;
};

// The catalogue the lists are filled from: a resource of each listed kind and some of kinds
// no list offers (a legacy server, a camera subtype, a microphone).
CZRauto_ptr<IKitroster> Site() {
    return MakeCatalogue({
        {"SRV1", "SERVER_MPEG4", "SERVER=vs1;"},
        {"LEGACY", "SERVER_LEGACY", "SERVER=old;"},
        {"CAM1", "CAMERA_IP", "IPADDR=10.0.0.1;"},
        {"CAM2", "CAMERA_IP", "IPADDR=10.0.0.2;"},
        {"HDCAM", "CAMERA_IP_HD", "IPADDR=10.0.0.3;"},
        {"MIC1", "AUDIO_MIC", ""},
        {"ASSY_A", "ASSY_VIDEO", "RES_SERVER=SRV1;RES_CAMERA=CAM1;"},
        {"ASSY_B", "ASSY_VIDEO", "RES_SERVER=SRV1;RES_CAMERA=CAM2;"},
    });
}

bool SameNoCase(const std::string& a, const char* b) {
    return CString(a.c_str()).CompareNoCase(b) == 0;
}

long LeadingNumber(const SStored& s) {
    return s ? std::strtol(s->c_str(), nullptr, 10) : 0;
}

std::string Open(const std::string& sealed) {
    return DecryptPassword(sealed.c_str()).str();
}

// The rules shared by several keys.
std::string Kept(const SStored& s) {
    return s.value_or("");
}
auto DefaultWhenEmpty(const char* fallback) {
    return [fallback](const SStored& s) { return s && !s->empty() ? *s : std::string(fallback); };
}
// A drop-down list selects the line equal to the stored text without regard to case and
// writes that line's spelling; "(local)" stands for an empty or absent reference; any other
// text is shown as an extra line and kept.
auto ChosenFrom(std::vector<std::string> lines, const char* whenEmpty) {
    return [lines, whenEmpty](const SStored& s) {
        if (!s || s->empty())
            return std::string(whenEmpty);
        for (const std::string& line : lines)
            if (SameNoCase(*s, line.c_str()))
                return line;
        return *s;
    };
}

// The camera dialog's reading rules (each shown value is what OK writes).
const std::vector<SKeyRule> kCameraRules = {
    {"IPADDR", Kept},
    // Port rule: 1024..65535 is shown as its number, anything else as 80.
    {"PORT",
     [](const SStored& s) {
         const long n = LeadingNumber(s);
         return std::to_string(n >= 1024 && n <= 65535 ? n : 80);
     }},
    {"USERNAME", DefaultWhenEmpty("admin")},
    // A stored password is kept as stored, even one that does not open; the default
    // is compared opened, since sealing gives another text each time.
    {"PASSWORD",
     [](const SStored& s) {
         return s && !s->empty() ? "kept:" + *s : "open:" + std::string(kDefaultCameraPassword);
     }},
    {"SIZE", [](const SStored& s) { return s && SameNoCase(*s, "VGA") ? "VGA" : "QVGA"; }},
    // A positive rate is shown as its number (kept even when the list lacks it); no positive
    // rate shows "default", which is written as -1.
    {"FRAMERATE",
     [](const SStored& s) {
         const long n = LeadingNumber(s);
         return n > 0 ? std::to_string(n) : "-1";
     }},
    {"SHOW_PTZ", [](const SStored& s) { return s && SameNoCase(*s, "FALSE") ? "FALSE" : "TRUE"; }},
    {"TYPE", DefaultWhenEmpty("IPELA_001")},
    {"MAC_ADDR", DefaultWhenEmpty("00-00-00-00-00-00")},
    // Only the two modes exist; anything else opens as multicast.
    {"STREAM_MODE",
     [](const SStored& s) {
         const std::string mode = ChosenFrom({"MULTICAST", "UNICAST"}, "MULTICAST")(s);
         return mode == "UNICAST" ? mode : std::string("MULTICAST");
     }},
};

const std::vector<SKeyRule> kServerRules = {
    {"SERVER", Kept},
    // The dialog always names the local machine as the source.
    {"SOURCE", [](const SStored&) { return std::string("(local)"); }},
    {"USERNAME", [](const SStored& s) { return s.value_or("zruser"); }},
    {"PASSWORD",
     [](const SStored& s) {
         if (!s)
             return "open:" + std::string(CConnServerDlg::kDefaultPassword);
         return s->empty() ? std::string("open:") : "kept:" + *s;
     }},
};

const std::vector<SKeyRule> kAssemblyRules = {
    {"RES_SERVER", ChosenFrom({"(local)", "SRV1"}, "(local)")},
    {"RES_CAMERA", ChosenFrom({"(local)", "CAM1", "CAM2", "HDCAM"}, "(local)")},
    // "<none>" is written as an empty value.
    {"RES_CAMERA2",
     [](const SStored& s) {
         const std::string shown =
             ChosenFrom({"<none>", "(local)", "CAM1", "CAM2", "HDCAM"}, "<none>")(s);
         return shown == "<none>" ? std::string() : shown;
     }},
};

const std::vector<SKeyRule> kRoomRules = {
    // Room list rewrite: the assemblies of the catalogue, in its spelling, in byte order,
    // each after "|"; names that are no assembly are dropped.
    {"RES_ASSYLIST",
     [](const SStored& s) {
         const CIdentifierSet read = ReadAssemblyList(Kept(s).c_str());
         std::string list;
         for (const char* assembly : {"ASSY_A", "ASSY_B"})
             for (const CString& id : read)
                 if (id.CompareNoCase(assembly) == 0) {
                     list += std::string("|") + assembly;
                     break;
                 }
         return list;
     }},
    {"ROOM_EXCLUDE_LOCAL",
     [](const SStored& s) { return s && SameNoCase(*s, "TRUE") ? "TRUE" : "FALSE"; }},
};

SStored Stored(const SProps& props, const char* key) {
    for (const auto& [k, v] : props)
        if (k == key)
            return v;
    return std::nullopt;
}

SProps Expected(const std::vector<SKeyRule>& rules, const CString& stored) {
    const SProps in = Properties(stored);
    SProps out;
    for (const SKeyRule& rule : rules)
        out.emplace_back(rule.key, rule.written(Stored(in, rule.key)));
    return out;
}

// A written PASSWORD that is the stored text is marked kept; any other is opened.
SProps OpenedPasswords(SProps props, const CString& stored) {
    const SStored before = Stored(Properties(stored), "PASSWORD");
    for (auto& [key, value] : props)
        if (key == "PASSWORD")
            value = before && !before->empty() && value == *before ? "kept:" + value
                                                                   : "open:" + Open(value);
    return props;
}

// The promise of the whole test, apart from the rules: nothing stored is blanked, no
// stored rate turns into -1. A secondary camera of "<none>" is written empty, and the room
// list drops names that are no assembly.
void ExpectNothingLost(const CString& stored, const SProps& written) {
    for (const auto& [key, value] : Properties(stored)) {
        const SStored now = Stored(written, key.c_str());
        if (!now || value.empty())
            continue;
        const bool mayEmpty =
            (key == "RES_CAMERA2" && SameNoCase(value, "<none>")) || key == "RES_ASSYLIST";
        EXPECT_TRUE(!now->empty() || mayEmpty) << key << " blanked in " << stored;
        if (std::strtol(value.c_str(), nullptr, 10) > 0) {
            EXPECT_NE(*now, "-1") << key << " in " << stored;
        }
    }
}

struct SCase {
    std::string stored;
    std::string answers = {};  // message boxes shown when the dialog opens
    std::string refusal = {};  // when the dialog's own check keeps it open: the rest of the script
};

const std::string kDisabled = "click 2\n";            // OK is disabled: Cancel
const std::string kRefused = "answer OK\nclick 2\n";  // OK says why: Cancel

void PlainOkOn(bool caps, const char* type, const std::vector<SKeyRule>& rules,
               const std::vector<SCase>& cases) {
    for (const SCase& c : cases) {
        const CString stored = c.stored.c_str();
        const std::string script = c.answers + "click 1\n" + c.refusal;
        const SOutcome out = RunEditor(caps, type, Site(), "RES1", stored, script);
        if (!c.refusal.empty()) {
            EXPECT_EQ(out.result, IDCANCEL) << type << " " << c.stored << "\n" << out.transcript;
            EXPECT_EQ(out.value, stored) << type;
            continue;
        }
        ASSERT_EQ(out.result, IDOK) << type << " " << c.stored << "\n" << out.transcript;
        const SProps written = OpenedPasswords(Properties(out.value), stored);
        EXPECT_EQ(written, Expected(rules, stored)) << type << " " << c.stored;
        ExpectNothingLost(stored, Properties(out.value));
    }
}

// `sealed` with one character of its ciphertext changed: it no longer opens.
std::string Damaged(std::string sealed) {
    char& c = sealed[sealed.size() / 2];
    c = c == 'A' ? 'B' : 'A';
    return sealed;
}

TEST(PlainOkTest, ConnectivityEditorsWriteBackWhatTheyRead) {
    kitroster::testing::CTestSite site;
    const std::string sealed = EncryptPassword("pw1").str();
    // Stored passwords the dialogs cannot open; a plain OK must not replace them.
    const std::string damaged = Damaged(sealed);
    ASSERT_TRUE(DecryptPassword(damaged.c_str()).IsEmpty());
    const std::string unopened[] = {damaged, "$kx1$notsealed", "clear-pw"};
    PlainOkOn(false, "CAMERA_IP", kCameraRules,
              {{"IPADDR=10.0.0.9;FRAMERATE=12;"},
               {"IPADDR=10.0.0.9;FRAMERATE=12.5;PORT=8080;SIZE=vga;STREAM_MODE=unicast;"},
               {"IPADDR=10.0.0.9;FRAMERATE=30;PORT=443;SIZE=CIF;STREAM_MODE=BROADCAST;"},
               {"IPADDR=cam.local;FRAMERATE=0;PORT=;USERNAME=;PASSWORD=;TYPE=;MAC_ADDR=;"},
               {"IPADDR=[fe80::1];FRAMERATE=-3;SHOW_PTZ=false;TYPE=DOME_2;MAC_ADDR=aa;"
                "USERNAME=op;PASSWORD=" +
                sealed + ";EXTRA=dropped;"},
               {"IPADDR=10.0.0.9;FRAMERATE=abc;SHOW_PTZ=;STREAM_MODE=;SIZE=;"},
               {"IPADDR=10.0.0.9;FRAMERATE=999;"},
               {"IPADDR=10.0.0.9;PASSWORD=" + unopened[0] + ";"},
               {"IPADDR=10.0.0.9;USERNAME=op;PASSWORD=" + unopened[1] + ";"},
               {"IPADDR=10.0.0.9;PASSWORD=" + unopened[2] + ";"},
               {"FRAMERATE=12;", "", kDisabled},
               {"", "", kDisabled}});
    PlainOkOn(false, "SERVER_LEGACY", kServerRules,
              {{"SERVER=vs1;"},
               {"SERVER=vs1;SOURCE=elsewhere;USERNAME=;PASSWORD=;OTHER=x;"},
               {"SERVER=SRV1;USERNAME=bob;PASSWORD=" + sealed + ";"},
               {"SERVER=vs1;USERNAME=bob;PASSWORD=" + unopened[0] + ";"},
               {"SERVER=vs1;PASSWORD=" + unopened[1] + ";"},
               {"SERVER=vs1;PASSWORD=" + unopened[2] + ";"},
               {"SERVER=;USERNAME=bob;", "", kRefused}});
    PlainOkOn(false, "ASSY_VIDEO", kAssemblyRules,
              {{"RES_SERVER=LEGACY;RES_CAMERA=CAM1;"},
               {"RES_SERVER=srv1;RES_CAMERA=cam2;RES_CAMERA2=HDCAM;"},
               {"RES_SERVER=GONE;RES_CAMERA=MIC1;RES_CAMERA2=ASSY_A;"},
               {"RES_SERVER=;RES_CAMERA=;RES_CAMERA2=;"},
               {"RES_SERVER=CAM1;RES_CAMERA=(LOCAL);RES_CAMERA2=<NONE>;EXTRA=1;"},
               {"RES_CAMERA=CAM1;RES_CAMERA2=GONE2;"},
               {""}});
    const std::string warned = "answer OK\n";
    PlainOkOn(false, "ROOM_VIDEO", kRoomRules,
              {{"RES_ASSYLIST=|ASSY_A;ROOM_EXCLUDE_LOCAL=FALSE;"},
               {"RES_ASSYLIST= assy_b |ASSY_A|GONE;ROOM_EXCLUDE_LOCAL=true;", warned},
               {"RES_ASSYLIST=;ROOM_EXCLUDE_LOCAL=maybe;"},
               {"RES_ASSYLIST=||CAM1|;", warned},
               {"ROOM_EXCLUDE_LOCAL=TRUE;", "", kRefused}});
}

// A password the person types replaces the stored one, sealed, whether the stored one
// opened or not.
TEST(PlainOkTest, TypedPasswordIsSealed) {
    kitroster::testing::CTestSite site;
    const std::string sealed = EncryptPassword("pw1").str();
    struct SPasswordCase {
        const char* type;
        std::string stored;
        int password, confirm;
    };
    const SPasswordCase cases[] = {
        {"SERVER_LEGACY", "SERVER=vs1;PASSWORD=" + Damaged(sealed) + ";", IDC_SERVER_PASSWORD,
         IDC_SERVER_CONFIRM},
        {"SERVER_LEGACY", "SERVER=vs1;PASSWORD=" + sealed + ";", IDC_SERVER_PASSWORD,
         IDC_SERVER_CONFIRM},
        {"CAMERA_IP", "IPADDR=10.0.0.9;PASSWORD=" + Damaged(sealed) + ";", IDC_CAMERA_PASSWORD,
         IDC_CAMERA_CONFIRM},
        {"CAMERA_IP", "IPADDR=10.0.0.9;PASSWORD=" + sealed + ";", IDC_CAMERA_PASSWORD,
         IDC_CAMERA_CONFIRM},
    };
    for (const SPasswordCase& c : cases) {
        const std::string script = "type " + std::to_string(c.password) + " n3wpass\ntype " +
                                   std::to_string(c.confirm) + " n3wpass\nclick 1\n";
        const SOutcome out = RunEditor(false, c.type, Site(), "RES1", c.stored.c_str(), script);
        ASSERT_EQ(out.result, IDOK) << c.type << " " << c.stored << "\n" << out.transcript;
        const std::string written = Property(out.value, "PASSWORD");
        EXPECT_EQ(Open(written), "n3wpass") << c.type << " " << c.stored;
        EXPECT_EQ(written.rfind("$kx1$", 0), 0u) << written;
    }
}

TEST(PlainOkTest, CapabilityEditorsKeepTheirKey) {
    kitroster::testing::CTestSite site;
    const std::vector<SCase> stored{{""},
                                    {"STREAM_1=;GENERIC=;"},
                                    {"STREAM_1=mpeg4 640x480;GENERIC=ptz;OTHER=1;"},
                                    {"GENERIC= spaced ;STREAM_1=-1;"}};
    PlainOkOn(true, "SERVER_MPEG4", {{"STREAM_1", Kept}}, stored);
    PlainOkOn(true, "CAMERA_IP", {{"GENERIC", Kept}}, stored);
}

TEST(PlainOkTest, EditDialogKeepsEveryStoredType) {
    kitroster::testing::CTestSite site;
    struct SEditCase {
        const char* type;
        const char* written;  // nullptr: OK stays disabled (a resource needs a type)
    };
    const SEditCase cases[] = {
        {"SERVER_MPEG4", "SERVER_MPEG4"},
        {"SERVER_LEGACY", "SERVER_LEGACY"},
        {"CAMERA_IP", "CAMERA_IP"},
        {"ASSY_VIDEO", "ASSY_VIDEO"},
        {"ROOM_VIDEO", "ROOM_VIDEO"},
        {"AUDIO_MIC", "AUDIO_MIC"},
        {"CAMERA_IP_HD", "CAMERA_IP_HD"},
        {"SERVER", "SERVER"},
        // A table type in other case is the table's line; white space is trimmed on OK.
        {"camera_ip", "CAMERA_IP"},
        {" AUDIO_MIC ", "AUDIO_MIC"},
        {"", nullptr},
    };
    // A filter that offers only cameras must not lose a server's type either.
    CZRauto_ptr<IResourceTypeList> cameras = CResourceTypeList::CreateInstance();
    cameras->Put("CAMERA_IP");
    for (CZRauto_ptr<IResourceTypeList> filter : {CZRauto_ptr<IResourceTypeList>(), cameras}) {
        for (const SEditCase& c : cases) {
            CResEditDlg dlg(Site(), true, false, filter, nullptr);
            dlg.m_id = "RES1";
            dlg.m_type = c.type;
            dlg.m_name = " Odd name ";
            dlg.m_conn = "X=1;";
            dlg.m_caps = "";
            kitroster::testing::CScriptSession session(c.written ? "click 1\n"
                                                                 : "click 1\nclick 2\n");
            const int result = session.Run([&] { return dlg.DoModal(); });
            if (!c.written) {
                EXPECT_EQ(result, IDCANCEL) << session.Transcript();
                continue;
            }
            ASSERT_EQ(result, IDOK) << c.type << "\n" << session.Transcript();
            EXPECT_EQ(dlg.m_type, CString(c.written)) << c.type;
            EXPECT_EQ(dlg.m_id, CString("RES1"));
            EXPECT_EQ(dlg.m_name, CString("Odd name"));
            EXPECT_EQ(dlg.m_conn, CString("X=1;"));
            EXPECT_EQ(dlg.m_caps, CString(""));
        }
    }
}

}  // namespace
}  // namespace NResourceItem
