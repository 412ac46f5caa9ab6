#pragma once
// The JSON of the section's annotation steps and of the drawing states their marks carry (the
// soil font is one of those too). AnnotationsOf and DrawAnnotations are in workspace.h.
#include "document/workspace.h"
#include "document/workspace_json.h"

#include <string>
#include <vector>

namespace trassel::workspace {

OutJson PenJson(const PenState& pen);
OutJson BrushJson(const BrushState& brush);
OutJson FontJson(const FontState& font);
PenState ReadPen(const Reader& in, const Json& o, const std::string& at);
BrushState ReadBrush(const Reader& in, const Json& o, const std::string& at);
FontState ReadFont(const Reader& in, const Json& o, const std::string& at);

// The steps with the drawing states listed once ("states") and each mark naming its state by
// index ("steps"): a stroke is hundreds of short lines in one state.
OutJson AnnotationsJson(const std::vector<WorkspaceAnnotation>& annotations);
std::vector<WorkspaceAnnotation> ReadAnnotations(const Reader& in, const Json& o, const std::string& at);

} // namespace trassel::workspace
