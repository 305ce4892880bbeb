// Resource item: fields, dirty tracking, key tree conversion, identifier proposals.
#include <gtest/gtest.h>

#include <memory>

#include "catalogue/CatalogueContext.h"
#include "catalogue/ResourceItem.h"
#include "platform/app/KitrosterApp.h"
#include "platform/treeweave/KeyTree.h"
#include "testing/env/TestEnv.h"

using namespace NResourceItem;

TEST(ItemTest, FieldsAndDirtyTracking) {
    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
    EXPECT_FALSE(item->IsDirty());

    item->set_ID("abc\xe9");
    EXPECT_EQ(item->get_ID(), "ABC\xc9");  // Windows-1252 upper-casing
    item->set_ID("");
    EXPECT_FALSE(item->IsDirty());

    item->set_Type("X");
    EXPECT_TRUE(item->IsDirty());
    item->set_Type("");
    EXPECT_FALSE(item->IsDirty()) << "back to the baseline is clean again";

    // Filled from a tree: clean, identifier kept as stored, case-sensitive comparison.
    std::unique_ptr<CKeyTree> tree(new CKeyTree());
    tree->AddKey("ID", new CLstring("cam1", -1));
    tree->AddKey("NAME", new CLstring(" Cam ", -1));
    CZRauto_ptr<IResourceItem> loaded = CResourceItemFactory::CreateInstance(tree.get());
    EXPECT_EQ(loaded->get_ID(), "cam1");
    EXPECT_EQ(loaded->get_Name(), " Cam ");
    EXPECT_EQ(loaded->get_Type(), "") << "a key absent from the tree reads as empty";
    EXPECT_FALSE(loaded->IsDirty());
    loaded->set_Name(" cam ");
    EXPECT_TRUE(loaded->IsDirty());
    loaded->set_Name(" Cam ");
    loaded->set_ID("cam1");  // stored upper-cased, so it now differs from the baseline
    EXPECT_TRUE(loaded->IsDirty());

    // Refilling from no tree empties the fields but keeps the baseline.
    // (FromKeyTree is protected; a derived class may name it as a member pointer.)
    struct CRefill : CResourceItemFactory {
        static void Empty(IResourceItem* item) {
            void (CResourceItemFactory::*refill)(CKeyTree*) = &CRefill::FromKeyTree;
            (dynamic_cast<CResourceItemFactory*>(item)->*refill)(nullptr);
        }
    };
    CZRauto_ptr<IResourceItem> refilled = CResourceItemFactory::CreateInstance(tree.get());
    CRefill::Empty(refilled);
    EXPECT_EQ(refilled->get_ID(), "");
    EXPECT_TRUE(refilled->IsDirty());

    // AsKeyTree carries all five fields, empty ones included, and no schema.
    CZRauto_ptr<IResourceItem> empty = CResourceItemFactory::CreateInstance();
    empty->set_Caps("A=1;");
    std::unique_ptr<CKeyTree> out(empty->AsKeyTree());
    EXPECT_EQ(out->GetCount(), 5);
    EXPECT_TRUE(out->HasKey("ID"));
    EXPECT_FALSE(out->HasKey("SCMA"));
    EXPECT_EQ(out->GetAt("CAPS")->AsCStr(nullptr), "A=1;");
    EXPECT_EQ(out->GetAt("NAME")->AsCStr(nullptr), "");

    // A copy of an implementation object copies the fields and the baseline.
    auto* impl = dynamic_cast<CResourceItemFactory*>(loaded.get());
    ASSERT_NE(impl, nullptr);
    CResourceItemFactory copy(*impl);
    EXPECT_EQ(copy.get_ID(), "CAM1");
    EXPECT_TRUE(copy.IsDirty());
}

TEST(ItemTest, MakeUniqueIdUsesGuidBytesEightToEleven) {
    kitroster::CTestEnv env;
    kitroster::AppServices testServices;
    testServices.env = &env;
    auto services = std::make_unique<CAppServicesOverride>(testServices);
    kitroster::Guid guid;
    guid.bytes[8] = 0x0A;
    guid.bytes[9] = 0x0B;
    guid.bytes[10] = 0x0C;
    guid.bytes[11] = 0x0D;
    env.PushGuid(guid);
    guid.bytes[11] = 0x00;
    env.PushGuid(guid);
    EXPECT_EQ(CResourceItemFactory::makeUniqueID("cam"), "CAM0D0C0B0A");
    EXPECT_EQ(CResourceItemFactory::makeUniqueID("x\xe9"),
              "X\xc9"
              "000C0B0A")
        << "zero-padded, prefix upper-cased";

    env.FailNth(kitroster::EnvOp::kCreateGuid, 1, kitroster::kErrorNotEnoughMemory);
    try {
        CResourceItemFactory::makeUniqueID("cam");
        ADD_FAILURE() << "expected an exception";
    } catch (const CResultCodeException& e) {
        EXPECT_EQ(e.GetResultCode(), kitroster::kErrorNotEnoughMemory);
    }
    services.reset();

    // Real GUIDs: always the shape, almost surely different.
    const CString a = CResourceItemFactory::makeUniqueID("srv");
    const CString b = CResourceItemFactory::makeUniqueID("srv");
    auto hasShape = [](const CString& id) {
        if (id.GetLength() != 11 || id.Left(3) != "SRV")
            return false;
        return id.Mid(3).SpanIncluding("0123456789ABCDEF") == id.Mid(3);
    };
    EXPECT_TRUE(hasShape(a)) << a.str();
    EXPECT_TRUE(hasShape(b)) << b.str();
    EXPECT_NE(a, b);
}
