#pragma once
// The workspace's schema: the document to JSON and back, and the version rule.
// What a member means lives here and nowhere else; how JSON is read is workspace_json, how
// texts of any bytes are kept is workspace_text.
#include "document/workspace.h"
#include "document/workspace_json.h"

namespace trassel::workspace {

// The shares of the progress of a save and an open: the tables' rows are most of the work.
inline constexpr double kDepthWritten = 0.55;
inline constexpr double kTextMade = 0.6;
inline constexpr double kParsed = 0.3;
inline constexpr double kDepthRead = 0.97;

// The whole file's JSON; the tables report their rows up to kTextMade.
OutJson WorkspaceJson(const SurveyDocument& doc, const std::string& path, const Progress& progress);

// The document of a parsed file: refused as not a project without the format's name, as of a
// later version above kWorkspaceVersion, as damaged when a member was given twice, else read
// member by member (the tables report their rows from kParsed on).
// The marks `taken` during the parse (see MarkTaker) stand for those left null in the tree.
class MarkTaker;
LoadedWorkspace DocumentOf(const ParsedJson& parsed, const Reader& in, MarkTaker* taken = nullptr);

} // namespace trassel::workspace
