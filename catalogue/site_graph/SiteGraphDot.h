// The site graph as Graphviz DOT text, in UTF-8: each node named by its quoted identifier
// and labelled with identifier and name, shaped and coloured by kind; every problem drawn in
// red with its message as label and tooltip, a missing resource as a dashed red node.
#pragma once

#include <string>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/site_graph/SiteGraph.h"

namespace NResourceItem {

// `text` (Windows-1252) as the inside of a DOT quoted string, in UTF-8: '"' and '\' escaped,
// a line break as the "\n" escape, other control characters as blanks.
KITROSTER_API std::string DotQuoted(const CString& text);

// The whole graph; equal graphs give equal text.
KITROSTER_API std::string WriteSiteGraphDot(const SSiteGraph& graph);

}  // namespace NResourceItem
