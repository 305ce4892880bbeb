#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/site_graph/SiteGraph.h"
#include "catalogue/site_graph/SiteGraphDot.h"
#include "tests/catalogue/queries/CatalogueFixture.h"

namespace NResourceItem {
namespace {

std::string NodeIds(const SSiteGraph& graph) {
    std::string text;
    for (const SSiteNode& node : graph.nodes)
        text += (text.empty() ? "" : " ") + node.id.str() + (node.problem.IsEmpty() ? "" : "?");
    return text;
}

// A site with sound links, a repeated list entry, links of the wrong type, missing targets,
// a server redirected to another, to a camera, and two servers redirected to each other.
CZRauto_ptr<IKitroster> BrokenSite() {
    return MakeCatalogue({
        {"ROOM", "ROOM_VIDEO", "RES_ASSYLIST=|A1|a1|CAM|GONE|A2;"},
        {"A1", "ASSY_VIDEO", "RES_SERVER=s1;RES_CAMERA=CAM;RES_CAMERA2=NOCAM;"},
        {"A2", "ASSY_VIDEO", "RES_SERVER=CAM;RES_CAMERA=S1;"},
        {"S1", "SERVER_MPEG4", "SERVER=S2;"},
        {"S2", "SERVER_MPEG4", "SERVER=videohost;"},
        {"S3", "SERVER_MPEG4", "SERVER=CAM;"},
        {"LOOPA", "SERVER_MPEG4", "SERVER=LOOPB;"},
        {"LOOPB", "SERVER_MPEG4", "SERVER=LOOPA;"},
        {"CAM", "CAMERA_IP", "IPADDR=10.0.0.5;"},
        {"OTHER", "MONITOR", "RES_SERVER=S1;"},
    });
}

TEST(SiteGraphTest, EdgesFollowReferencesAndCarryTheLinkChecksProblems) {
    CZRauto_ptr<IKitroster> site = BrokenSite();
    const SSiteGraph graph = BuildSiteGraph(site);
    // Sorted by identifier; OTHER is no site kind and nothing names it; missing ones last.
    EXPECT_EQ(NodeIds(graph), "A1 A2 CAM LOOPA LOOPB ROOM S1 S2 S3 NOCAM? GONE?");
    const struct {
        const char* from;
        const char* to;
        const char* property;
        const char* problem;
    } expected[] = {
        {"A1", "S1", "RES_SERVER", ""},  // spelt as the catalogue spells it
        {"A1", "CAM", "RES_CAMERA", ""},
        {"A1", "NOCAM", "RES_CAMERA2", "NOCAM does not exist"},
        {"A2", "CAM", "RES_SERVER", "A2 : CAM is not of type SERVER_MPEG4"},
        {"A2", "S1", "RES_CAMERA", "A2 : S1 is not of type CAMERA_IP"},
        {"LOOPA", "LOOPB", "SERVER", "Possible recursive referencing detected. Aborting check!"},
        {"LOOPB", "LOOPA", "SERVER", "Possible recursive referencing detected. Aborting check!"},
        {"ROOM", "A1", "RES_ASSYLIST", ""},  // "a1" repeats it: one edge
        // The room check calls every stored name that is no assembly missing; an existing
        // camera is named for what it is.
        {"ROOM", "CAM", "RES_ASSYLIST", "CAM is not of type ASSY_VIDEO"},
        {"ROOM", "GONE", "RES_ASSYLIST", "GONE does not exist"},
        {"ROOM", "A2", "RES_ASSYLIST", ""},  // its own links are broken, not the room's
        {"S1", "S2", "SERVER", ""},          // S2's machine name is no reference
        {"S3", "CAM", "SERVER",
         "S3 uses a redirected server name 'CAM' of unsupported type "
         "'CAMERA_IP'"},
    };
    ASSERT_EQ(graph.edges.size(), std::size(expected));
    for (size_t i = 0; i < graph.edges.size(); ++i) {
        const SSiteEdge& edge = graph.edges[i];
        const auto& want = expected[i];
        EXPECT_EQ(edge.from.str() + ">" + edge.to.str() + " " + edge.property.str(),
                  std::string(want.from) + ">" + want.to + " " + want.property)
            << i;
        EXPECT_EQ(edge.problem.str(), want.problem) << want.from << ">" << want.to;
    }

    // Roots draw only what they reach, transitively; a root of another kind is drawn too.
    const struct {
        std::vector<CString> roots;
        const char* nodes;
    } restricted[] = {
        {{"A2"}, "A2 CAM S1 S2"},
        {{"other", "S3"}, "CAM OTHER S1 S2 S3"},
        {{"A1"}, "A1 CAM S1 S2 NOCAM?"},
        {{"NOSUCH"}, ""},
    };
    for (const auto& c : restricted)
        EXPECT_EQ(NodeIds(BuildSiteGraph(site, c.roots)), c.nodes) << c.nodes;
    EXPECT_TRUE(BuildSiteGraph(nullptr).nodes.empty());
}

TEST(SiteGraphTest, DotTextEscapesIdentifiersAndMarksProblemsRed) {
    EXPECT_EQ(DotQuoted("a\"b\\c\nd\te"), "a\\\"b\\\\c\\nd e");
    EXPECT_EQ(DotQuoted("Salle \xE9t\xE9"), "Salle \xC3\xA9t\xC3\xA9");  // Windows-1252 in

    CZRauto_ptr<IKitroster> site = MakeCatalogue({
        {"R\"1\\", "ROOM_VIDEO", "RES_ASSYLIST=A\xC9;"},
        {"A\xC9", "ASSY_VIDEO", "RES_SERVER=GONE;"},
    });
    site->GetItemById("A\xC9")->set_Name("Bed \"one\"");
    const std::string dot = WriteSiteGraphDot(BuildSiteGraph(site));
    EXPECT_EQ(dot, WriteSiteGraphDot(BuildSiteGraph(site)));
    for (const char* part : {
             "digraph site {\n",
             "  \"A\xC3\x89\" [label=\"A\xC3\x89\\nBed \\\"one\\\"\", shape=component",
             "  \"R\\\"1\\\\\" [label=\"R\\\"1\\\\\", shape=tab",
             "  \"GONE\" [label=\"GONE\", shape=box, fillcolor=\"white\", style=\"dashed\", "
             "color=\"#c62828\"",
             "  \"R\\\"1\\\\\" -> \"A\xC3\x89\" [label=\"RES_ASSYLIST\"",
             "  \"A\xC3\x89\" -> \"GONE\" [color=red, ",
             "tooltip=\"A\xC3\x89 : GONE does not exist\"];\n",
         })
        EXPECT_NE(dot.find(part), std::string::npos) << part << "\n" << dot;
}

}  // namespace
}  // namespace NResourceItem
