// graph: the site's rooms, assemblies, servers and cameras and their references as a
// Graphviz picture (DOT text, or SVG drawn by Graphviz's "dot").
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "catalogue/site_graph/SiteGraph.h"
#include "catalogue/site_graph/SiteGraphDot.h"
#include "catalogue/site_graph/SiteGraphSvg.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/FileHelpers.h"

namespace kitroster::cli {
namespace {

using namespace NResourceItem;

struct SGraphOptions {
    std::string format = "dot";
    std::string output;
    std::vector<std::string> ids;
};

// Where the SVG drawing keeps its temporary files: $TMPDIR when absolute, else /tmp.
std::string TempFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && folder[0] == '/' ? std::string(folder) : std::string("/tmp");
}

int Emit(const std::string& text, const std::string& output) {
    if (output.empty()) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0)
            return Report("cannot write the graph to standard output");
        return kExitOk;
    }
    // Replaced whole, so a failed write leaves an earlier picture as it was.
    const std::string path = FromUtf8(output).str();
    const EnvStatus status = WriteFileAtomically(GetKitrosterApp().GetEnv(), path, text);
    if (!status.ok())
        return Report(CString(("cannot write " + output + ": " + status.ToString()).c_str()));
    return kExitOk;
}

int RunGraph(const SGraphOptions& options) {
    SCatalogue catalogue = LoadCatalogue();
    std::vector<CString> roots;
    for (const std::string& arg : options.ids) {
        const CString id = FromUtf8(arg);
        if (!catalogue.collection->GetItemById(id))
            return Report(UnknownResourceMessage(id));
        roots.push_back(id);
    }
    std::string text = WriteSiteGraphDot(BuildSiteGraph(catalogue.collection, roots));
    if (options.format == "svg") {
        std::string svg;
        CString error;
        if (!RenderDotAsSvg(text, TempFolder(), &svg, &error))
            return Report(error);
        text = std::move(svg);
    }
    const int written = Emit(text, options.output);
    if (written != kExitOk)
        return written;
    return catalogue.clean ? kExitOk : kExitRefused;
}

}  // namespace

void RegisterGraphCommand(CLI::App& app, SCommandContext& ctx) {
    auto options = std::make_shared<SGraphOptions>();
    CLI::App* graph = app.add_subcommand(
        "graph", "Draw the rooms, assemblies, servers and cameras and their references");
    graph->add_option("ID", options->ids,
                      "Draw only what these resources reach through their references");
    graph->add_option("--format", options->format, "dot (Graphviz text, the default) or svg")
        ->check(CLI::IsMember({"dot", "svg"}));
    graph->add_option("--output", options->output, "Write to FILE instead of standard output")
        ->type_name("FILE");
    SetAction(graph, ctx, [options] { return RunGraph(*options); });
}

}  // namespace kitroster::cli
