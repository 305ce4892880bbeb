// Type lists, filters and the item facades.
#include <gtest/gtest.h>

#include "catalogue/Kitroster.h"
#include "catalogue/ResourceFilter.h"
#include "catalogue/ResourceItemFacades.h"
#include "catalogue/ResourceTypeList.h"
#include "tests/catalogue/CatalogueTestSupport.h"

using namespace NResourceItem;

TEST(TypeListTest, CaseInsensitiveSetInKeyOrder) {
    CZRauto_ptr<IResourceTypeList> list = CResourceTypeList::CreateInstance();
    EXPECT_TRUE(list->IsEmpty());
    list->Put("");
    EXPECT_TRUE(list->IsEmpty());
    list->Put("camera_ip");
    list->Put("ASSY_VIDEO");
    EXPECT_TRUE(list->Has("CAMERA_IP"));
    EXPECT_FALSE(list->Has("CAMERA")) << "membership is an exact match";
    EXPECT_EQ(list->GetTypeByIndex(0), "ASSY_VIDEO");
    EXPECT_EQ(list->GetTypeByIndex(1), "camera_ip");
    list->Put("CAMERA_IP");
    EXPECT_EQ(list->Size(), 2);
    EXPECT_EQ(list->GetTypeByIndex(1), "CAMERA_IP") << "the last spelling is kept";
    EXPECT_EQ(list->GetTypeByIndex(2), "");
    EXPECT_EQ(list->GetTypeByIndex(-1), "");
    list->Del("assy_video");
    list->Del("unknown");
    EXPECT_EQ(list->Size(), 1);
}

TEST(FilterTest, SharesItsTypeList) {
    CZRauto_ptr<IResourceFilter> filter = CResourceFilter::CreateInstance();
    ASSERT_TRUE(filter->GetResourceTypeList());
    EXPECT_TRUE(filter->GetResourceTypeList()->IsEmpty());
    EXPECT_EQ(filter->GetResourceIdFilterSpec(), "");

    filter->GetResourceTypeList()->Put("ROOM_VIDEO");
    EXPECT_TRUE(filter->GetResourceTypeList()->Has("room_video"));

    CZRauto_ptr<IResourceTypeList> other = CResourceTypeList::CreateInstance();
    filter->SetResourceTypeList(other);
    other->Put("CAMERA_IP");
    EXPECT_EQ(filter->GetResourceTypeList().get(), other.get());
    EXPECT_TRUE(filter->GetResourceTypeList()->Has("CAMERA_IP"));

    filter->SetResourceIdFilterSpec("CAM*");
    EXPECT_EQ(filter->GetResourceIdFilterSpec(), "CAM*");
    filter->SetResourceTypeList(CZRauto_ptr<IResourceTypeList>());
    EXPECT_FALSE(filter->GetResourceTypeList());
}

TEST(FacadeTest, WriterChangesTheItemOnlyAtCommit) {
    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance(nullptr);
    item->set_ID("CAM1");
    item->set_Type("CAMERA_IP");
    item->set_Conn("IPADDR=1.2.3.4;");
    item->set_Caps("fps=25;");
    CResourceItemWriterFacade writer(item);
    EXPECT_TRUE(writer.Exists());
    EXPECT_TRUE(writer.IsType("camera", true));
    EXPECT_FALSE(writer.IsType("camera", false));
    EXPECT_EQ(writer.GetConnProperty("ipaddr"), "1.2.3.4");
    EXPECT_EQ(writer.GetCapsProperty("FPS"), "25");
    EXPECT_EQ(writer.GetConnProperty("missing"), "");

    EXPECT_TRUE(writer.SetConnProperty("PORT", "80"));
    EXPECT_FALSE(writer.SetConnProperty("K", "\"quoted\""));
    EXPECT_EQ(writer.GetFullConnString(), "IPADDR=1.2.3.4;") << "nothing reaches the item yet";
    EXPECT_EQ(writer.GetConnProperty("PORT"), "80");
    EXPECT_TRUE(writer.Commit());
    EXPECT_EQ(item->get_Conn(), "IPADDR=1.2.3.4;PORT=80;");
    EXPECT_EQ(item->get_Caps(), "FPS=25;") << "the capability string is normalised too";
    EXPECT_EQ(writer.GetItem().get(), item.get());

    // A copy shares the item and the bags.
    CResourceItemReaderFacade reader(writer);
    EXPECT_EQ(reader.GetConnProperty("PORT"), "80");
    EXPECT_EQ(reader.GetID(), "CAM1");

    CResourceItemWriterFacade empty{CZRauto_ptr<IResourceItem>()};
    EXPECT_FALSE(empty.Exists());
    EXPECT_FALSE(empty.IsType("", false));
    EXPECT_EQ(empty.GetName(), "");
    EXPECT_FALSE(empty.SetCapsProperty("K", "V"));
    EXPECT_FALSE(empty.Commit());
}

class FacadeByIdTest : public CatalogueFolderTest {};

TEST_F(FacadeByIdTest, ReaderReadsTheOwnFileOrFallsBackToTheCatalogue) {
    WriteRaw("_RES_SRV1.zrr", ResourceText("SRV1", "SERVER_MPEG4", "IPADDR=10.0.0.9;PORT=554;"));
    // A file under another name that carries its identifier is found by the full load.
    WriteRaw("_RES_OLDNAME.zrr", ResourceText("CAM7", "CAMERA_IP", "PORT=80;"));
    m_env.ResetCounts();
    CResourceItemReaderFacade reader("srv1");
    EXPECT_EQ(m_env.CallCount(kitroster::EnvOp::kFindFiles), 0);
    ASSERT_TRUE(reader.Exists());
    EXPECT_EQ(reader.GetConnProperty("port"), "554");
    EXPECT_TRUE(reader.IsType("SERVER", true));

    m_env.ResetCounts();
    CResourceItemReaderFacade moved("cam7");
    EXPECT_EQ(m_env.CallCount(kitroster::EnvOp::kFindFiles), 1);
    ASSERT_TRUE(moved.Exists());
    EXPECT_EQ(moved.GetConnProperty("PORT"), "80");

    CResourceItemReaderFacade unknown("NOPE");
    EXPECT_FALSE(unknown.Exists());
    EXPECT_EQ(unknown.GetConnProperty("PORT"), "");
    EXPECT_FALSE(unknown.IsType("SERVER", true));

    // Committed changes persist only through a collection.
    CResourceItemWriterFacade writer("SRV1");
    writer.SetConnProperty("PORT", "8554");
    writer.Commit();
    EXPECT_NE(ReadRaw("_RES_SRV1.zrr").find("PORT=554;"), std::string::npos);
    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    collection->Load();
    collection->Add(writer.GetItem());
    collection->Save();
    EXPECT_NE(ReadRaw("_RES_SRV1.zrr").find("PORT=8554;"), std::string::npos);
}
