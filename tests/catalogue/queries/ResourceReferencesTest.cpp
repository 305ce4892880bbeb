#include <gtest/gtest.h>

#include <string>

#include "catalogue/queries/ResourceReferences.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

// Each reference as "PROPERTY>TARGET" with "?" appended when no resource has the target.
std::string Describe(IKitroster* site, const char* id) {
    std::string text;
    for (const SResourceReference& reference : ListReferences(site, site->GetItemById(id))) {
        if (!text.empty())
            text += ' ';
        text += std::string(reference.property.GetString()) + '>' + reference.target.GetString();
        if (!reference.exists)
            text += '?';
    }
    return text;
}

TEST(ResourceReferencesTest, ReadsListsLinksAndRedirectedServers) {
    CZRauto_ptr<IKitroster> site = MakeCatalogue({
        {"SRV", "SERVER_MPEG4", "SERVER=videosrv1;"},
        {"SELF", "SERVER_MPEG4", "SERVER=self;"},
        {"REDIR", "SERVER_MPEG4", "server= srv ;"},
        {"CAM", "CAMERA_IP", "IPADDR=10.0.0.5;SERVER=SRV;"},
        {"A1", "ASSY_VIDEO", "RES_SERVER=srv;RES_CAMERA=CAM;RES_CAMERA2=GONE;"},
        {"A2", "ASSY_VIDEO", "RES_SERVER=(local);RES_CAMERA=;"},
        {"ROOM", "ROOM_VIDEO", "RES_ASSYLIST=| A2 ||a1|NOPE;ROOM_EXCLUDE_LOCAL=TRUE;"},
    });
    const struct {
        const char* id;
        const char* expected;
    } cases[] = {
        {"SRV", ""},              // a machine name is no reference
        {"SELF", ""},             // nor is the server's own identifier
        {"REDIR", "SERVER>srv"},  // key case ignored, value trimmed, spelt as written
        {"CAM", ""},              // only a server's SERVER redirects
        {"A1", "RES_SERVER>srv RES_CAMERA>CAM RES_CAMERA2>GONE?"},
        {"A2", ""},  // the local machine and empty links
        {"ROOM", "RES_ASSYLIST>A2 RES_ASSYLIST>a1 RES_ASSYLIST>NOPE?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(site, c.id), c.expected) << c.id;
    EXPECT_TRUE(ListReferences(site, nullptr).empty());
    EXPECT_EQ(ListReferences(nullptr, site->GetItemById("A1")).size(), 3u);  // all missing
}

}  // namespace
}  // namespace NResourceItem
