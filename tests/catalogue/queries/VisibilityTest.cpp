#include "catalogue/queries/Visibility.h"

#include <gtest/gtest.h>

#include "catalogue/ResourceFilter.h"
#include "catalogue/ResourceTypeList.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

TEST(VisibilityTest, TypeListPassesFullTypeFirstComponentOrTwoLevels) {
    CZRauto_ptr<IResourceTypeList> list = CResourceTypeList::CreateInstance();
    EXPECT_TRUE(PassesTypeTest(list, "ANYTHING"));  // an empty list passes everything
    EXPECT_TRUE(PassesTypeTest(nullptr, "ANYTHING"));
    list->Put("server");
    EXPECT_TRUE(PassesTypeTest(list, "SERVER_MPEG4"));
    EXPECT_TRUE(PassesTypeTest(list, "server_legacy"));
    EXPECT_FALSE(PassesTypeTest(list, "CAMERA_IP"));
    list->Del("server");
    list->Put("CAMERA_IP");
    EXPECT_TRUE(PassesTypeTest(list, "CAMERA_IP_X"));
    EXPECT_FALSE(PassesTypeTest(list, "CAMERA"));
    list->Put("IP");  // a second component alone matches nothing
    EXPECT_FALSE(PassesTypeTest(list, "SERVER_IP"));
}

TEST(VisibilityTest, TypeAndIdentifierTestsCombine) {
    CZRauto_ptr<IKitroster> site = MakeCatalogue(
        {{"CAM01", "CAMERA_IP", ""}, {"SRV01", "SERVER_MPEG4", ""}, {"XCAM", "CAMERA_IP", ""}});
    CZRauto_ptr<IResourceFilter> filter = CResourceFilter::CreateInstance();
    auto visible = [&] {
        std::vector<CString> ids;
        for (int i = 0; i < site->Size(); ++i) {
            CZRauto_ptr<IResourceItem> item = site->GetItemByIndex(i);
            if (IsResourceVisible(filter, item))
                ids.push_back(item->get_ID());
        }
        return ids;
    };
    EXPECT_EQ(visible(), Ids({"CAM01", "SRV01", "XCAM"}));
    filter->GetResourceTypeList()->Put("CAMERA");
    EXPECT_EQ(visible(), Ids({"CAM01", "XCAM"}));
    filter->SetResourceIdFilterSpec("CAM*");
    EXPECT_EQ(visible(), Ids({"CAM01"}));
    filter->SetResourceIdFilterSpec("!CAM*");  // exclusions alone show nothing
    EXPECT_EQ(visible(), Ids({}));
    EXPECT_FALSE(IsResourceVisible(filter, nullptr));
}

}  // namespace
}  // namespace NResourceItem
