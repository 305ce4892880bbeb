// Renames a killed process left half done: when a pair counts as one, finishing it, and
// the health check that reports and repairs it on a private site.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/Kitroster.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/doctor/SiteDoctor.h"
#include "catalogue/queries/UnfinishedRename.h"
#include "testing/site/TestSite.h"

namespace NResourceItem {
namespace {

using kitroster::testing::CTestSite;

CZRauto_ptr<IResourceItem> Item(const char* id, const char* type, const char* name,
                                const char* conn, const char* caps) {
    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
    item->set_ID(id);
    item->set_Type(type);
    item->set_Name(name);
    item->set_Conn(conn);
    item->set_Caps(caps);
    return item;
}

CString ConnValue(IKitroster* collection, const char* id, const char* key) {
    CString value;
    CZRauto_ptr<IResourceItem> item = collection->GetItemById(id);
    if (!item)
        return "<missing>";
    CResPropertyBagFactory::CreateInstance(item->get_Conn())->Get(key, value);
    return value;
}

TEST(UnfinishedRename, OnlyAnExactCopyCountsAsARenamedOne) {
    struct SCase {
        const char* id;
        const char* type;
        const char* name;
        const char* conn;
        const char* caps;
        bool copy;
    } const cases[] = {
        {"CAMX", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;SELF=CAM01|B;", "PTZ=1;", true},
        // Its references to itself renamed, as the rename writes them...
        {"CAMX", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;SELF=CAMX|B;", "PTZ=1;", true},
        // ...but not to a third identifier.
        {"CAMX", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;SELF=CAMY|B;", "PTZ=1;", false},
        {"CAMX", "CAMERA_IP", "Door", "IPADDR=10.0.0.2;SELF=CAM01|B;", "PTZ=1;", false},
        {"CAMX", "CAMERA_IPX", "Door", "IPADDR=10.0.0.1;SELF=CAM01|B;", "PTZ=1;", false},
        {"CAMX", "CAMERA_IP", "Window", "IPADDR=10.0.0.1;SELF=CAM01|B;", "PTZ=1;", false},
        {"CAMX", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;SELF=CAM01|B;", "PTZ=0;", false},
        // The resource itself, in another case, is no copy.
        {"cam01", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;SELF=CAM01|B;", "PTZ=1;", false},
    };
    CZRauto_ptr<IResourceItem> original =
        Item("CAM01", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;SELF=CAM01|B;", "PTZ=1;");
    for (const SCase& c : cases) {
        CZRauto_ptr<IResourceItem> copy = Item(c.id, c.type, c.name, c.conn, c.caps);
        EXPECT_EQ(IsRenamedCopy(original, copy), c.copy)
            << c.id << " " << c.type << " " << c.name << " " << c.conn << " " << c.caps;
    }
    EXPECT_FALSE(IsRenamedCopy(original, original));
    EXPECT_FALSE(IsRenamedCopy(original, nullptr));
}

TEST(UnfinishedRename, FinishingMovesTheRemainingReferencesAndDropsTheOldResource) {
    for (const bool updateReferences : {true, false}) {
        SCOPED_TRACE(updateReferences ? "references updated" : "references kept");
        CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
        collection->Add(Item("CAM01", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;", ""));
        collection->Add(Item("A1", "ASSY_VIDEO", "", "RES_CAMERA=CAM01;", ""));
        collection->Add(Item("A2", "ASSY_VIDEO", "", "RES_CAMERA=CAMX;", ""));
        collection->Add(Item("R1", "ROOM_VIDEO", "", "RES_ASSYLIST=CAM01|A2;", ""));
        collection->Add(Item("CAMX", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;", ""));
        ASSERT_TRUE(FinishRename(collection, "cam01", "camx", updateReferences));
        EXPECT_FALSE(collection->GetItemById("CAM01"));
        ASSERT_TRUE(collection->GetItemById("CAMX"));
        EXPECT_EQ(collection->Size(), 4);
        const CString moved = updateReferences ? "CAMX" : "CAM01";
        EXPECT_EQ(ConnValue(collection, "A1", "RES_CAMERA"), moved);
        EXPECT_EQ(ConnValue(collection, "A2", "RES_CAMERA"), CString("CAMX"));
        EXPECT_EQ(ConnValue(collection, "R1", "RES_ASSYLIST"), moved + "|A2");
    }

    // A resource of the same name with another configuration is a clash: nothing changes.
    CZRauto_ptr<IKitroster> clash = CKitrosterFactory::CreateInstance();
    clash->Add(Item("CAM01", "CAMERA_IP", "Door", "IPADDR=10.0.0.1;", ""));
    clash->Add(Item("A1", "ASSY_VIDEO", "", "RES_CAMERA=CAM01;", ""));
    clash->Add(Item("CAMX", "CAMERA_IP", "Door", "IPADDR=10.0.0.9;", ""));
    EXPECT_FALSE(FinishRename(clash, "CAM01", "CAMX", true));
    EXPECT_FALSE(FinishRename(clash, "CAM01", "NOPE", true));
    EXPECT_EQ(clash->Size(), 3);
    EXPECT_TRUE(clash->GetItemById("CAM01"));
    EXPECT_EQ(ConnValue(clash, "CAMX", "IPADDR"), CString("10.0.0.9"));
    EXPECT_EQ(ConnValue(clash, "A1", "RES_CAMERA"), CString("CAM01"));
}

// Writes a catalogue file and gives it a write time `age` before one fixed moment.
void WriteAged(CTestSite& site, const std::string& id, const std::string& type,
               const std::string& conn, std::chrono::seconds age, const std::string& name = "") {
    static const auto moment =
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    site.WriteRaw("_RES_" + id + ".zrr", CTestSite::ResourceText(id, type, conn, 1000, name));
    std::filesystem::last_write_time(site.FileIn("_RES_" + id + ".zrr"), moment - age);
}

TEST(UnfinishedRename, TheHealthCheckFindsAndFinishesOnlyHalfDoneRenames) {
    using std::chrono::seconds;
    // Each site: CAM01 and CAMX alike or not, their files' ages, and who refers to which.
    struct SCase {
        const char* what;
        const char* copyName;  // CAM01 is named "Door"
        seconds oldAge, copyAge;
        std::vector<const char*> referTo;  // one assembly each
        const char* found;                 // "old>new old referrers/new referrers" or ""
    } const cases[] = {
        {"split references",
         "Door",
         seconds(50),
         seconds(10),
         {"CAM01", "CAMX", "CAMX"},
         "CAM01>CAMX 1/2"},
        {"killed before any referrer",
         "Door",
         seconds(50),
         seconds(10),
         {"CAM01", "CAM01"},
         "CAM01>CAMX 2/0"},
        {"the other way round",
         "Door",
         seconds(10),
         seconds(50),
         {"CAMX", "CAM01"},
         "CAMX>CAM01 1/1"},
        {"only the old one is left over", "Door", seconds(50), seconds(10), {"CAMX"}, ""},
        {"nobody refers to either", "Door", seconds(50), seconds(10), {}, ""},
        {"files of the same age", "Door", seconds(10), seconds(10), {"CAM01", "CAMX"}, ""},
        {"a genuine clash", "Window", seconds(50), seconds(10), {"CAM01", "CAMX"}, ""},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        CTestSite site;
        WriteAged(site, "CAM01", "CAMERA_IP", "IPADDR=10.0.0.1;", c.oldAge, "Door");
        WriteAged(site, "CAMX", "CAMERA_IP", "IPADDR=10.0.0.1;", c.copyAge, c.copyName);
        for (size_t i = 0; i < c.referTo.size(); ++i)
            WriteAged(site, "ASSY" + std::to_string(i), "ASSY_VIDEO",
                      std::string("RES_CAMERA=") + c.referTo[i] + ";", seconds(100));

        CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
        ASSERT_TRUE(collection->Load());
        SDoctorOptions options;
        options.finishRenames = true;
        const SDoctorReport report = BuildDoctorReport(collection, &site.env(), options);
        std::string found;
        for (const SUnfinishedRename& r : report.unfinishedRenames) {
            found += r.oldId.str() + ">" + r.newId.str() + " " + std::to_string(r.oldReferrers) +
                     "/" + std::to_string(r.newReferrers);
            EXPECT_TRUE(r.finished);
        }
        EXPECT_EQ(found, c.found);
        if (found.empty())
            continue;
        // Finished in the collection; saved, one resource is left and everything refers to it.
        EXPECT_TRUE(report.missingReferences.empty());
        ASSERT_TRUE(SaveAllOrNothing(collection));
        const std::string kept = report.unfinishedRenames[0].newId.str();
        const std::string gone = report.unfinishedRenames[0].oldId.str();
        EXPECT_FALSE(site.Exists("_RES_" + gone + ".zrr"));
        CZRauto_ptr<IKitroster> reloaded = CKitrosterFactory::CreateInstance();
        ASSERT_TRUE(reloaded->Load());
        for (size_t i = 0; i < c.referTo.size(); ++i)
            EXPECT_EQ(ConnValue(reloaded, ("ASSY" + std::to_string(i)).c_str(), "RES_CAMERA"),
                      CString(kept.c_str()));
        EXPECT_TRUE(BuildDoctorReport(reloaded, &site.env(), {}).unfinishedRenames.empty());
    }
}

}  // namespace
}  // namespace NResourceItem
