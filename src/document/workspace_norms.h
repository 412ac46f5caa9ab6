#pragma once
// The design norms in a workspace (the optional member "designNorms" of the root): the ballast
// table, the stretches of the line, the layers' names and norms, and the parameters of judging.
// A file written before they were kept has no such member and opens with the default norms.
#include "document/workspace_json.h"
#include "thickness/norms.h"

#include <string>

namespace trassel::workspace {

OutJson NormsJson(const DesignNorms& norms);
// Every value is checked as the document checks it; a fault is the damaged-file Error naming
// the field.
DesignNorms ReadNorms(const Reader& in, const Json& o, const std::string& at);

} // namespace trassel::workspace
