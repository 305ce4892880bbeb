#include "catalogue/site_graph/SiteGraphDot.h"

#include "platform/env/PathMapping.h"

namespace NResourceItem {
namespace {

constexpr const char* kRed = "#c62828";

struct SNodeStyle {
    const char* shape;
    const char* fill;
};

SNodeStyle StyleOf(ESiteNodeKind kind) {
    switch (kind) {
        case ESiteNodeKind::Room:
            return {"tab", "#fde7c0"};
        case ESiteNodeKind::Assembly:
            return {"component", "#d6e6f5"};
        case ESiteNodeKind::Server:
            return {"box3d", "#dcefd5"};
        case ESiteNodeKind::Camera:
            return {"ellipse", "#eddcf0"};
        case ESiteNodeKind::Other:
        case ESiteNodeKind::Missing:
            break;
    }
    return {"box", "white"};
}

std::string Quoted(const CString& text) {
    return '"' + DotQuoted(text) + '"';
}

std::string NodeLine(const SSiteNode& node) {
    const SNodeStyle style = StyleOf(node.kind);
    CString label = node.id;
    if (!node.name.IsEmpty())
        label += "\n" + node.name;
    std::string line = "  " + Quoted(node.id) + " [label=" + Quoted(label) +
                       ", shape=" + style.shape + ", fillcolor=\"" + style.fill + "\"";
    if (node.kind == ESiteNodeKind::Missing)
        line += std::string(", style=\"dashed\", color=\"") + kRed + "\", fontcolor=\"" + kRed +
                "\", tooltip=" + Quoted(node.problem);
    else
        line += ", tooltip=" + Quoted(node.type);
    return line + "];\n";
}

std::string EdgeLine(const SSiteEdge& edge) {
    std::string line = "  " + Quoted(edge.from) + " -> " + Quoted(edge.to) + " [";
    if (edge.problem.IsEmpty()) {
        line += "label=" + Quoted(edge.property) + ", tooltip=" + Quoted(edge.property);
    } else {
        const std::string message = Quoted(edge.problem);
        line += std::string("color=red, fontcolor=\"") + kRed +
                "\", penwidth=2, label=" + Quoted(edge.property + "\n" + edge.problem) +
                ", tooltip=" + message;
    }
    return line + "];\n";
}

}  // namespace

std::string DotQuoted(const CString& text) {
    const std::string utf8 = kitroster::Cp1252ToUtf8(text.str());
    std::string out;
    out.reserve(utf8.size());
    for (const char ch : utf8) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (ch == '\n') {
            out += "\\n";
        } else if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) {
            out += ' ';
        } else {
            out += ch;
        }
    }
    return out;
}

std::string WriteSiteGraphDot(const SSiteGraph& graph) {
    std::string dot =
        "digraph site {\n"
        "  graph [rankdir=LR, nodesep=0.3, ranksep=0.9, fontname=\"Helvetica\"];\n"
        "  node [style=filled, fontname=\"Helvetica\", fontsize=11];\n"
        "  edge [fontname=\"Helvetica\", fontsize=8, fontcolor=\"#666666\", color=\"#555555\"];\n";
    for (const SSiteNode& node : graph.nodes)
        dot += NodeLine(node);
    for (const SSiteEdge& edge : graph.edges)
        dot += EdgeLine(edge);
    return dot + "}\n";
}

}  // namespace NResourceItem
