#pragma once
// The instrument radargram in a workspace (the optional member "instrumentRadargram" of the root): the
// file's facts, the channel, the ties, time zero, the permittivity and the display. A file
// written before it existed has no such member and opens with no instrument radargram.
#include "document/workspace_json.h"
#include "radargram/calibration.h"
#include "radargram/radargram_model.h"

#include <string>

namespace trassel::workspace {

// How many ties, marks and layers a file may hold: far beyond a survey's (a tie per 100 m of
// a 1,000 km line, a mark per metre of it), near enough to refuse a file made to exhaust memory.
inline constexpr std::size_t kMaxRadargramTies = 10'000;
inline constexpr std::size_t kMaxRadargramMarks = 1'000'000;
inline constexpr std::size_t kMaxPermittivityLayers = 100;

// Its path stored relative to the workspace at `path` when it lies beside it.
OutJson RadargramModelJson(const RadargramModel& model, const std::string& path);
// Every value is checked against its bounds and the model as a whole as the document checks
// it; a fault is the damaged-file Error naming the field.
RadargramModel ReadRadargramModel(const Reader& in, const Json& o, const std::string& at);

// The table of known depths (the optional member "knownDepths" of the root): picket, depth
// column, depth (absent until typed) and source of each. A file written before it existed has
// none and opens with an empty table.
OutJson KnownDepthsJson(const std::vector<KnownDepth>& known);
// Each value within its bounds, a fault the damaged-file Error naming the field.
std::vector<KnownDepth> ReadKnownDepths(const Reader& in, const Json& a, const std::string& at);

} // namespace trassel::workspace
