#include <gtest/gtest.h>

#include "catalogue/queries/ConfigSearch.h"
#include "catalogue/queries/Dependants.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

CZRauto_ptr<IKitroster> Site() {
    return MakeCatalogue({
        {"SRV1", "SERVER_MPEG4", "SERVER=videosrv1;USERNAME=zruser;"},
        {"CAM1", "CAMERA_IP", "IPADDR=10.0.0.5;PORT=8080;"},
        {"CAM2", "CAMERA_IP", "IPADDR=192.168.1.7;PORT=80;"},
        {"ASSY1", "ASSY_VIDEO", "RES_SERVER=SRV1;RES_CAMERA=CAM1;RES_CAMERA2=;"},
        {"ASSY2", "ASSY_VIDEO", "RES_SERVER=srv1;RES_CAMERA=CAM2;RES_CAMERA2=CAM1;"},
        {"ROOM1", "ROOM_VIDEO", "RES_ASSYLIST=|ASSY1| ASSY2\t;ROOM_EXCLUDE_LOCAL=TRUE;"},
        {"SELF", "SERVER_MPEG4", "SERVER=self;"},
        {"EMPTY", "ROOM_VIDEO", ""},
    });
}

TEST(DependantsTest, ReferenceFormsInCollectionOrder) {
    CZRauto_ptr<IKitroster> site = Site();
    // Whole values match ignoring case; a camera referenced by two assemblies lists both.
    EXPECT_EQ(FindDependants(site, "CAM1"), Ids({"ASSY1", "ASSY2"}));
    EXPECT_EQ(FindDependants(site, "srv1"), Ids({"ASSY1", "ASSY2"}));
    // Bar-list elements of RES_ASSYLIST are trimmed and compared whole.
    EXPECT_EQ(FindDependants(site, "assy1"), Ids({"ROOM1"}));
    EXPECT_EQ(FindDependants(site, "ASSY2"), Ids({"ROOM1"}));
    EXPECT_EQ(FindDependants(site, "ASSY"), Ids({}));
    // A resource whose own connectivity names it is its own dependant.
    EXPECT_EQ(FindDependants(site, "SELF"), Ids({"SELF"}));
    EXPECT_EQ(FindDependants(site, "ROOM1"), Ids({}));
    EXPECT_EQ(FindDependants(site, ""), Ids({}));
}

TEST(DependantsTest, BarListsCountOnlyUnderTheAssemblyListKey) {
    EXPECT_TRUE(IsReferenceTo("res_assylist", "A|B", "b"));
    EXPECT_FALSE(IsReferenceTo("OTHER_LIST", "A|B", "B"));
    EXPECT_TRUE(IsReferenceTo("OTHER_LIST", "a|b", "A|B"));
    EXPECT_FALSE(IsReferenceTo("RES_ASSYLIST", "|", "A"));
    EXPECT_FALSE(IsReferenceTo("RES_ASSYLIST", "", ""));
}

TEST(ConfigSearchTest, PropertiesDecideInOrder) {
    CZRauto_ptr<IKitroster> site = Site();
    EXPECT_EQ(SearchConfiguration(site, "10.0.0.5"), Ids({"CAM1"}));
    EXPECT_EQ(SearchConfiguration(site, "  10.0.0.5 "), Ids({"CAM1"}));
    // The wildcard lets the first property decide; resources without properties never show.
    EXPECT_EQ(SearchConfiguration(site, "*;!192.168.*"),
              Ids({"SRV1", "CAM1", "ASSY1", "ASSY2", "ROOM1", "SELF"}));
    // Bar-list elements match whole in property-value mode, untrimmed (unlike dependants).
    EXPECT_EQ(SearchConfiguration(site, "ASSY1"), Ids({"ROOM1"}));
    EXPECT_EQ(SearchConfiguration(site, "ASSY2"), Ids({}));
    EXPECT_EQ(SearchConfiguration(site, "SRV1"), Ids({"ASSY1", "ASSY2"}));
    // A search that matches only an exclusion lists nothing.
    EXPECT_EQ(SearchConfiguration(site, "!10.0.0.5"), Ids({}));
    EXPECT_EQ(SearchConfiguration(site, "   "), Ids({}));
}

}  // namespace
}  // namespace NResourceItem
