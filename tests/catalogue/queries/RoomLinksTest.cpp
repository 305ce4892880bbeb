#include <gtest/gtest.h>

#include "catalogue/queries/LinkCheck.h"
#include "catalogue/queries/RoomAssemblies.h"
#include "resources/strings/StringTable.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

CZRauto_ptr<IKitroster> Site() {
    return MakeCatalogue({
        {"SRV", "SERVER_MPEG4", "SERVER=videosrv1;"},
        {"CAM", "CAMERA_IP", "IPADDR=10.0.0.5;"},
        {"SELFSRV", "SERVER_MPEG4", "SERVER=selfsrv;"},
        {"REDIR", "SERVER_MPEG4", "SERVER=srv;"},
        {"CAMSRV", "SERVER_MPEG4", "SERVER=CAM;"},
        {"LOOPSRV", "SERVER_MPEG4", "SERVER=LOOP;"},
        {"LOOP", "ASSY_VIDEO", "RES_SERVER=LOOPSRV;"},
        {"LOCAL", "ASSY_VIDEO", "RES_SERVER=;RES_CAMERA=(LOCAL);"},
        {"GOOD", "ASSY_VIDEO", "RES_SERVER=SRV;RES_CAMERA=cam;RES_CAMERA2=GONE;"},
        {"VIASELF", "ASSY_VIDEO", "RES_SERVER=SELFSRV;RES_CAMERA=CAM;"},
        {"VIAREDIR", "ASSY_VIDEO", "RES_SERVER=REDIR;"},
        {"VIACAMSRV", "ASSY_VIDEO", "RES_SERVER=CAMSRV;"},
        {"SWAP", "ASSY_VIDEO", "RES_SERVER=SRV;RES_CAMERA=SRV;"},
        {"BROKEN", "ASSY_VIDEO", "RES_SERVER=NOSRV;RES_CAMERA=NOCAM;"},
        {"LOWER", "assy_video", ""},
        {"ROOM", "ROOM_VIDEO", ""},
    });
}

// LOOP's server names LOOP again: each level of the chain reports the recursion of the
// level below through its server, and of its own camera check, which comes after the
// allowance is spent.
constexpr const char* kRecursion = "Possible recursive referencing detected. Aborting check!";
const CString kLoopErrors = CString("LOOP : LOOP : LOOP : LOOP : LOOP : ") + kRecursion +
                            "\nLOOP : " + kRecursion + "\nLOOP : " + kRecursion +
                            "\nLOOP : " + kRecursion + "\nLOOP : " + kRecursion +
                            "\nLOOP : " + kRecursion;

TEST(LinkCheckTest, ErrorLinesAndCount) {
    CZRauto_ptr<IKitroster> site = Site();
    struct SCase {
        CIdentifierSet selected;
        CIdentifierSet missing;
        CString errors;
        int count;
    };
    const SCase cases[] = {
        {{}, {}, "", 0},
        // "(local)" in any case or an empty value; a server's own name or a name that is no
        // resource is a machine; a redirection to a sound server; the second camera is
        // not followed.
        {{"LOCAL", "GOOD", "VIASELF", "VIAREDIR"}, {}, "", 4},
        {{"SWAP"}, {}, "SWAP : SRV is not of type CAMERA_IP", 1},
        {{"BROKEN"}, {}, "BROKEN : NOSRV does not exist\nBROKEN : NOCAM does not exist", 1},
        {{"VIACAMSRV"},
         {},
         "VIACAMSRV : CAMSRV uses a redirected server name 'CAM' of unsupported type "
         "'CAMERA_IP'",
         1},
        // The type must match exactly.
        {{"LOWER", "ROOM"},
         {},
         "LOWER is not of type ASSY_VIDEO\nROOM is not of type ASSY_VIDEO",
         2},
        {{"LOOP"}, {}, kLoopErrors, 1},
        // Every assembly starts a fresh allowance; missing identifiers come last.
        {{"SWAP", "LOOP"},
         {"GONE", "CAM"},
         kLoopErrors + "\nSWAP : SRV is not of type CAMERA_IP\nCAM does not exist\nGONE does "
                       "not exist",
         4},
    };
    for (const SCase& c : cases) {
        const SLinkCheckResult result = CheckRoomLinks(site, c.selected, c.missing);
        EXPECT_EQ(result.errors, c.errors) << c.errors.GetString();
        EXPECT_EQ(result.count, c.count) << c.errors.GetString();
    }
}

TEST(LinkCheckTest, MessageBoxByResult) {
    struct SCase {
        SLinkCheckResult result;
        bool includeLocal;
        unsigned messageId;
        ELinkCheckIcon icon;
        bool showWhenSilent;
    };
    const SCase cases[] = {
        {{"A does not exist", 1}, true, IDS_LINK_ERRORS, ELinkCheckIcon::Warning, true},
        {{"", 2}, false, IDS_LINKS_OK, ELinkCheckIcon::Information, false},
        {{"", 0}, false, IDS_ROOM_NO_ASSEMBLIES, ELinkCheckIcon::Information, false},
        {{"", 0}, true, IDS_ROOM_LOCAL_ONLY, ELinkCheckIcon::Information, false},
    };
    for (const SCase& c : cases) {
        const SLinkCheckMessage message = LinkCheckMessage(c.result, c.includeLocal);
        EXPECT_EQ(message.messageId, c.messageId);
        EXPECT_EQ(message.caption, "Room Video Resource Check");
        EXPECT_EQ(message.icon, c.icon);
        EXPECT_EQ(message.showWhenSilent, c.showWhenSilent);
    }
    EXPECT_EQ(LinkCheckMessage({"A\nB", 1}, true).text,
              "The following linked resource errors were detected:\nA\nB");
    EXPECT_EQ(LinkCheckMessage({"", 1}, true).text, "Linked resources appear to be OK!");
}

TEST(RoomAssembliesTest, ListTextAndTheEditorsLines) {
    EXPECT_EQ(ReadAssemblyList(" B |\tA||a| "), CIdentifierSet({"A", "B", "a"}));
    EXPECT_EQ(ReadAssemblyList("ONLY"), CIdentifierSet({"ONLY"}));
    EXPECT_EQ(ReadAssemblyList(""), CIdentifierSet());
    EXPECT_EQ(WriteAssemblyList({"b", "B", "A"}), "|A|B|b");
    EXPECT_EQ(WriteAssemblyList({}), "");

    CZRauto_ptr<IKitroster> site = MakeCatalogue({
        {"B", "ASSY_VIDEO", ""},
        {"CAM", "CAMERA_IP", ""},
        {"A", "assy_video_extra", ""},
        {"C", "ASSY_VIDEO", ""},
    });
    const SRoomAssemblies room =
        OpenRoomAssemblies(site, "RES_ASSYLIST=|b|CAM|A|NOPE;ROOM_EXCLUDE_LOCAL=true;");
    ASSERT_EQ(room.lines.size(), 3u);
    EXPECT_EQ(room.lines[0].id, "B");
    EXPECT_TRUE(room.lines[0].checked);
    EXPECT_EQ(room.lines[1].id, "A");
    EXPECT_TRUE(room.lines[1].checked);
    EXPECT_EQ(room.lines[2].id, "C");
    EXPECT_FALSE(room.lines[2].checked);
    EXPECT_EQ(room.missing, CIdentifierSet({"CAM", "NOPE"}));
    EXPECT_FALSE(room.includeLocal);
    // Written back in the catalogue's spelling, A before B; missing entries are dropped.
    EXPECT_EQ(WriteAssemblyList(room.Selection()), "|A|B");

    for (const char* conn : {"", "ROOM_EXCLUDE_LOCAL=FALSE;", "ROOM_EXCLUDE_LOCAL=YES;"})
        EXPECT_TRUE(OpenRoomAssemblies(site, conn).includeLocal) << conn;

    // The lookup form the health check uses reads every room as the editor's list does.
    for (const char* conn :
         {"RES_ASSYLIST=|b|CAM|A|NOPE;ROOM_EXCLUDE_LOCAL=true;", "RES_ASSYLIST= c |c|C||;", "",
          "RES_ASSYLIST=;ROOM_EXCLUDE_LOCAL=TRUE;"}) {
        const SRoomAssemblies editor = OpenRoomAssemblies(site, conn);
        const SRoomSelection lookup = ReadRoomSelection(site, conn);
        EXPECT_EQ(lookup.selected, editor.Selection()) << conn;
        EXPECT_EQ(lookup.missing, editor.missing) << conn;
        EXPECT_EQ(lookup.includeLocal, editor.includeLocal) << conn;
    }
    EXPECT_EQ(ReadRoomSelection(nullptr, "RES_ASSYLIST=A;").missing, CIdentifierSet({"A"}));
}

}  // namespace
}  // namespace NResourceItem
