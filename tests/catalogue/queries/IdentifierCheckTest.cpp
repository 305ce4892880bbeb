#include "catalogue/queries/IdentifierCheck.h"

#include <gtest/gtest.h>

#include "resources/strings/StringTable.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

struct SCase {
    const char* entry;
    unsigned expectedMessage;  // 0: accepted
    const char* expectedValue;
};

TEST(IdentifierCheckTest, NewResourceIdentifierRules) {
    CZRauto_ptr<IKitroster> site = MakeCatalogue({{"CAM1", "CAMERA_IP", ""}});
    const SCase cases[] = {
        {"CAM2", 0, "CAM2"},
        {"cam_2", 0, "cam_2"},
        {"CAM{2", IDS_INVALID_CHARACTER, ""},
        {"CAM2}", IDS_INVALID_CHARACTER, ""},
        {"CAM\n2", IDS_INVALID_CHARACTER, ""},
        {"cam1", IDS_DUPLICATE_NEW_ID, ""},
        {" CAM2", IDS_ID_INVALID_CHARS, "CAM2"},  // the character rule sees the blank
        {"   ", IDS_ID_EMPTY, ""},
        {"", IDS_ID_EMPTY, ""},
        {"CAM-2", IDS_ID_INVALID_CHARS, "CAM-2"},
        {"CAM\xc9", IDS_ID_INVALID_CHARS, "CAM\xc9"},
    };
    for (const SCase& c : cases) {
        const SEntryCheck check = CheckResourceId(c.entry, site, false);
        EXPECT_EQ(check.messageId, c.expectedMessage) << "'" << c.entry << "'";
        EXPECT_EQ(check.Accepted(), c.expectedMessage == 0) << "'" << c.entry << "'";
        if (c.expectedMessage != IDS_INVALID_CHARACTER &&
            c.expectedMessage != IDS_DUPLICATE_NEW_ID) {
            EXPECT_EQ(check.value, CString(c.expectedValue)) << "'" << c.entry << "'";
        }
    }
    // The messages are the string table's, filled in.
    EXPECT_EQ(CheckResourceId("CAM}", site, false).message,
              CString("Invalid character detected for 'ID'. Entry cannot include '{', '}' "
                      "characters."));
    EXPECT_EQ(CheckResourceId("cam1", site, false).message,
              CString("This resource id 'cam1' already exists. Please enter a unique name for "
                      "this new resource."));
    EXPECT_EQ(CheckResourceId("cam1", site, false).captionId, IDS_INVALID_ENTRY);
    // An existing resource skips the duplicate look-up.
    EXPECT_TRUE(CheckResourceId("CAM1", site, true).Accepted());
}

TEST(IdentifierCheckTest, RenameRules) {
    CZRauto_ptr<IKitroster> site =
        MakeCatalogue({{"CAM1", "CAMERA_IP", ""}, {"CAM2", "CAMERA_IP", ""}});
    const SCase cases[] = {
        {" CAM3 ", 0, "CAM3"},  // trimmed first, unlike the new-resource check
        {"CAM{1}", IDS_INVALID_CHARACTER, "CAM{1}"},
        {"CAM-1", IDS_ID_INVALID_CHARS, "CAM-1"},
        {"CAM1", IDS_RENAME_DUPLICATE, "CAM1"},  // unchanged identifier
        {"cam1", IDS_RENAME_DUPLICATE, "cam1"},  // change of case only
        {"CAM2", IDS_RENAME_DUPLICATE, "CAM2"},
    };
    for (const SCase& c : cases) {
        const SEntryCheck check = CheckRenameId(c.entry, site);
        EXPECT_EQ(check.messageId, c.expectedMessage) << "'" << c.entry << "'";
        EXPECT_EQ(check.value, CString(c.expectedValue)) << "'" << c.entry << "'";
    }
    const SEntryCheck empty = CheckRenameId(" \t", site);
    EXPECT_EQ(empty.outcome, SEntryCheck::kSilent);
    EXPECT_EQ(empty.messageId, 0u);
    const SEntryCheck duplicate = CheckRenameId("cam1", site);
    EXPECT_EQ(duplicate.message, CString("The resource name 'cam1' already exists!"));
    EXPECT_EQ(duplicate.captionId, IDS_DUPLICATE_NAME);
    EXPECT_EQ(CheckRenameId("CAM-1", site).message,
              CString("Resource ID must only use characters A-Z and 0-9!"));
}

TEST(IdentifierCheckTest, FieldCharacterCheckNamesTheFieldAndTrims) {
    const SEntryCheck name = CheckFieldChars(kLabelName, "Lobby }");
    EXPECT_EQ(name.messageId, IDS_INVALID_CHARACTER);
    EXPECT_EQ(name.message, CString("Invalid character detected for 'Name'. Entry cannot include "
                                    "'{', '}' characters."));
    EXPECT_EQ(CheckFieldChars(kLabelConnectivity, "A=1;\nB=2;").message,
              CString("Invalid character detected for 'Connectivity'. Entry cannot include '{', "
                      "'}' characters."));
    const SEntryCheck ok = CheckFieldChars(kLabelName, "  Lobby camera \t");
    EXPECT_TRUE(ok.Accepted());
    EXPECT_EQ(ok.value, CString("Lobby camera"));
}

TEST(StringTableTest, EveryEntryPresentAndFormatsFill) {
    for (unsigned id = IDS_FIRST; id <= IDS_LAST; ++id)
        EXPECT_FALSE(LoadResString(id).IsEmpty()) << id;
    EXPECT_TRUE(LoadResString(0).IsEmpty());
    EXPECT_TRUE(LoadResString(48).IsEmpty());
    EXPECT_TRUE(FormatResString(48, "x").IsEmpty());
    EXPECT_EQ(FormatResString(IDS_VIEWING_SOME, 3, 9), CString("Viewing 3 out of 9 resources"));
    EXPECT_EQ(FormatResString(IDS_TITLE_WITH_ID, "Edit Resource", "CAM1"),
              CString("Edit Resource - CAM1"));
    EXPECT_EQ(FormatResString(IDS_LINK_ERRORS, "A\nB"),
              CString("The following linked resource errors were detected:\nA\nB"));
}

}  // namespace
}  // namespace NResourceItem
