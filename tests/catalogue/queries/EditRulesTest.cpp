#include "catalogue/queries/EditRules.h"

#include <gtest/gtest.h>

#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

// A new resource as the add command and the edit dialog check it: what is refused, with
// which message, and what an accepted resource is created with.
TEST(EditRulesTest, NewResourceIsCheckedInTheDialogsOrderAndCleanedUp) {
    CZRauto_ptr<IKitroster> site = MakeCatalogue({{"CAM01", "CAMERA_IP", ""}});
    struct SCase {
        const char* id;
        const char* type;
        const char* name;
        const char* conn;
        const char* message;  // a fragment of the refusal; null when accepted
    } cases[] = {
        {"CAM05", " CAMERA_IP ", " Bed 1 ", "A=1;", nullptr},
        {"CAM01", "CAMERA_IP", "x", "", "This resource id 'CAM01' already exists."},
        {"cam01", "CAMERA_IP", "x", "", "This resource id 'cam01' already exists."},
        {"CAM{1}", "CAMERA_IP", "x", "", "Invalid character detected for 'ID'."},
        {"CAM-5", "CAMERA_IP", "x", "", "Resource ID must only use characters A-Z and 0-9!"},
        {" ", "CAMERA_IP", "x", "", "Resource ID cannot be empty!"},
        {"A234567890123456789012345678", "CAMERA_IP", "x", "", "longer than 27"},
        {"A23456789012345678901234567", "CAMERA_IP", "x", "", nullptr},  // exactly 27
        {"CAM05", "CAMERA_IP", "Lobby }", "", "Invalid character detected for 'Name'."},
        // A line break in a name is named as such, not as a brace.
        {"CAM05", "CAMERA_IP", "Bed\n1", "", "for 'Name'. Entry cannot include line breaks."},
        {"CAM05", "CAMERA_IP", "Bed\r1", "", "for 'Name'. Entry cannot include line breaks."},
        {"CAM05", "CAMERA_IP", "Bed 1\r\n", "", "Entry cannot include line breaks."},
        {"CAM05", "CAMERA_IP", "x", "A=1;\nB=2;", "for 'Connectivity'"},
        {"CAM05", "  ", "x", "", "Resource type cannot be empty!"},
        {"CAM05", "X{", "x", "", "for 'Type'"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.id + std::string("/") + c.type + "/" + c.name);
        SResourceFields fields{CString(c.type), CString(c.name), CString(c.conn), CString("")};
        CString id;
        SResourceFields cleaned;
        const SEntryCheck check = CheckNewResource(c.id, fields, site, &id, &cleaned);
        EXPECT_EQ(check.Accepted(), c.message == nullptr) << check.message.GetString();
        if (c.message) {
            EXPECT_NE(check.message.Find(c.message), -1) << check.message.GetString();
        }
    }
    SResourceFields cleaned;
    CString id;
    ASSERT_TRUE(CheckNewResource(
                    "CAM05",
                    {CString(" CAMERA_IP "), CString(" Bed 1 "), CString("A=1; "), std::nullopt},
                    site, &id, &cleaned)
                    .Accepted());
    EXPECT_EQ(id, "CAM05");
    EXPECT_EQ(*cleaned.type, "CAMERA_IP");
    EXPECT_EQ(*cleaned.name, "Bed 1");
    EXPECT_EQ(*cleaned.conn, "A=1;");
    EXPECT_FALSE(cleaned.caps) << "an unset field stays unset";
    EXPECT_FALSE(CheckNewResource("CAM06", {}, site, &id, &cleaned).Accepted())
        << "a new resource needs a type";
}

// A change to an existing resource: only the fields given are checked and cleaned; new
// identifiers and property assignments follow the same rules.
TEST(EditRulesTest, ChangesRenamesAndPropertyAssignments) {
    CZRauto_ptr<IKitroster> site =
        MakeCatalogue({{"CAM01", "CAMERA_IP", ""}, {"CAM02", "CAMERA_IP", ""}});
    SResourceFields cleaned;
    EXPECT_TRUE(
        CheckResourceFields({std::nullopt, CString(" n "), std::nullopt, std::nullopt}, &cleaned)
            .Accepted());
    EXPECT_EQ(*cleaned.name, "n");
    EXPECT_FALSE(cleaned.type);
    EXPECT_FALSE(CheckResourceFields({CString(""), {}, {}, {}}, &cleaned).Accepted());

    struct SRename {
        const char* to;
        const char* message;
    } renames[] = {
        {"CAM09", nullptr},
        {"CAM-1", "Resource ID must only use characters A-Z and 0-9!"},
        {"CAM{1}", "Invalid character detected for 'ID'."},
        {"cam01", "The resource name 'cam01' already exists!"},
        {"CAM02", "The resource name 'CAM02' already exists!"},
        {"A234567890123456789012345678", "longer than 27"},
    };
    for (const SRename& r : renames) {
        const SEntryCheck check = CheckNewId(r.to, site);
        EXPECT_EQ(check.Accepted(), r.message == nullptr) << r.to;
        if (r.message) {
            EXPECT_NE(check.message.Find(r.message), -1) << check.message.GetString();
        }
    }
    EXPECT_EQ(CheckNewId("", site).outcome, SEntryCheck::kSilent);

    EXPECT_TRUE(CheckPropertyEntry(true, "PORT", "80").Accepted());
    EXPECT_NE(CheckPropertyEntry(true, "K", "v}").message.Find("'Connectivity'"), -1);
    EXPECT_NE(CheckPropertyEntry(false, "K{", "v").message.Find("'Capabilities'"), -1);
}

}  // namespace
}  // namespace NResourceItem
